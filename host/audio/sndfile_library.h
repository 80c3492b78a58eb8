// libsndfile, opened by the first command that reads or writes a format other
// than our own WAV (sndfile_library.cpp).
#pragma once

#include <string>

namespace varnok::host {

// True once libsndfile is open; false, with the reason in `missing`, when it
// is not installed. Call before any other libsndfile function.
bool OpenSndfileLibrary(std::string& missing);

}  // namespace varnok::host
