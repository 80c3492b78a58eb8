// libjack, opened by the first command that needs it (jack_library.cpp).
#pragma once

#include <string>

namespace varnok::host::live {

// [ui] True once libjack is open; false, with the reason in `missing`, when it
// is not installed. Call before any other JACK function.
bool OpenJackLibrary(std::string& missing);

}  // namespace varnok::host::live
