// A fault of emulated code, or a rule of the calling convention it broke.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "host/core/host_error.h"

namespace varnok::host::pe32 {

// A HostError, so that the host reports it in one line like any other.
class GuestError : public HostError {
 public:
  using HostError::HostError;
};

// A fault that would have ended a native process with `signal` (SIGSEGV for
// a bad access, SIGILL for an invalid instruction, ...).
class GuestFault : public GuestError {
 public:
  GuestFault(const std::string& what, int signal) : GuestError(what), signal_(signal) {}
  int Signal() const { return signal_; }

 private:
  int signal_;
};

inline std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

}  // namespace varnok::host::pe32
