// A DLL's dialog template and its menu, read from the image's resources into
// the form the dialog model builds dialogs from.
#pragma once

#include <memory>

#include "host/pe32/guest_process.h"

namespace varnok::host::pe32 {

// Throws GuestError when the dialog or its menu is missing or malformed.
std::unique_ptr<DialogTemplate> ReadDialogTemplate(const GuestProcess& process,
                                                   const LoadedModule& module, std::uint32_t id);

}  // namespace varnok::host::pe32
