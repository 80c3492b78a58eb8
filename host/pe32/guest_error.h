// A fault of emulated code, or a rule of the calling convention it broke: the
// call fails with it, and the host reports it in one line as any other error.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "host/core/host_error.h"

namespace varnok::host::pe32 {

// A HostError, so that the host reports it in one line like any other.
class GuestError : public HostError {
 public:
  using HostError::HostError;
};

// Reports a failure that no exception can carry (out of a destructor) in one
// line, and has the command end non-zero for it.
void ReportLateFailure(const std::exception& error) noexcept;

inline std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

}  // namespace varnok::host::pe32
