// The calling thread's floating-point state that a plug-in must leave as it
// found it.
#pragma once

namespace varnok::platform {

// An opaque code of the calling thread's rounding mode; equal codes mean equal modes.
int CurrentRounding();

}  // namespace varnok::platform
