#include "platform/float_environment.h"

#include <float.h>

namespace varnok::platform {

// The x87 control word is where a 32-bit plug-in changes the rounding.
int CurrentRounding() { return static_cast<int>(_control87(0, 0) & _MCW_RC); }

}  // namespace varnok::platform
