#include "platform/float_environment.h"

#include <cfenv>

namespace varnok::platform {

int CurrentRounding() { return std::fegetround(); }

}  // namespace varnok::platform
