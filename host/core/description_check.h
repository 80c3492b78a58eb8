// Checks a plug-in's description before the host trusts it.
#pragma once

#include <string>

#include "framework/description.h"

namespace varnok::host {

// Empty when the description is sound; otherwise what is wrong, naming the field,
// e.g. "params[2].min_value 5 is above default_value 3".
std::string CheckDescription(const MachineDescription& description);

}  // namespace varnok::host
