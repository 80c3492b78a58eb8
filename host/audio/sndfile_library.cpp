// The libsndfile functions the host calls, forwarded to the library opened by
// the first command that needs it.
#include "host/audio/sndfile_library.h"

#include <sndfile.h>

#include "host/core/system_library.h"

namespace {

#define VARNOK_SNDFILE_FUNCTIONS(X)                                                                     \
  X(sf_open) X(sf_open_virtual) X(sf_close) X(sf_command) X(sf_error) X(sf_strerror) X(sf_readf_float) \
  X(sf_write_float) X(sf_write_int) X(sf_write_short)

struct SndfileFunctions {
  VARNOK_FUNCTION_POINTERS(VARNOK_SNDFILE_FUNCTIONS)
  VARNOK_BIND_FUNCTIONS(VARNOK_SNDFILE_FUNCTIONS)
};

varnok::host::SystemLibrary<SndfileFunctions> sndfile_library("libsndfile.so.1");

const SndfileFunctions& Sndfile() { return sndfile_library.Call(); }

}  // namespace

namespace varnok::host {

bool OpenSndfileLibrary(std::string& missing) {
  if (sndfile_library.Open()) return true;
  missing = sndfile_library.Missing();
  return false;
}

}  // namespace varnok::host

extern "C" {

SNDFILE* sf_open(const char* path, int mode, SF_INFO* info) { return Sndfile().sf_open(path, mode, info); }
SNDFILE* sf_open_virtual(SF_VIRTUAL_IO* io, int mode, SF_INFO* info, void* data) {
  return Sndfile().sf_open_virtual(io, mode, info, data);
}
int sf_close(SNDFILE* file) { return Sndfile().sf_close(file); }
int sf_command(SNDFILE* file, int command, void* data, int size) { return Sndfile().sf_command(file, command, data, size); }
int sf_error(SNDFILE* file) { return Sndfile().sf_error(file); }
const char* sf_strerror(SNDFILE* file) { return Sndfile().sf_strerror(file); }
sf_count_t sf_readf_float(SNDFILE* file, float* out, sf_count_t frames) { return Sndfile().sf_readf_float(file, out, frames); }
sf_count_t sf_write_float(SNDFILE* file, const float* samples, sf_count_t count) {
  return Sndfile().sf_write_float(file, samples, count);
}
sf_count_t sf_write_int(SNDFILE* file, const int* samples, sf_count_t count) {
  return Sndfile().sf_write_int(file, samples, count);
}
sf_count_t sf_write_short(SNDFILE* file, const short* samples, sf_count_t count) {
  return Sndfile().sf_write_short(file, samples, count);
}

}  // extern "C"
