// The calling thread's floating-point control that a plug-in must leave as it
// found it: the rounding of both x86 units, and how SSE treats denormals.
#pragma once

#include <cstdint>

namespace varnok::platform {

// The two-bit rounding field, encoded alike in the x87 control word and MXCSR.
enum class Rounding : std::uint8_t { kToNearest, kDownward, kUpward, kTowardZero };

struct FloatControl {
  Rounding x87_rounding = Rounding::kToNearest;  // control word bits 10-11
  Rounding sse_rounding = Rounding::kToNearest;  // MXCSR bits 13-14: what our builds compute with
  bool flush_to_zero = false;                    // MXCSR bit 15: denormal results become zero
  bool denormals_are_zero = false;               // MXCSR bit 6: denormal inputs read as zero

  friend bool operator==(const FloatControl& a, const FloatControl& b) {
    return a.x87_rounding == b.x87_rounding && a.sse_rounding == b.sse_rounding &&
           a.flush_to_zero == b.flush_to_zero && a.denormals_are_zero == b.denormals_are_zero;
  }
  friend bool operator!=(const FloatControl& a, const FloatControl& b) { return !(a == b); }
};

// The control held in raw register values, such as an emulated processor's.
FloatControl FloatControlOf(std::uint16_t x87_control_word, std::uint32_t mxcsr) noexcept;

// The calling thread's, read from the registers themselves: the C library's
// fegetround reads the x87 unit only on some systems.
FloatControl CurrentFloatControl() noexcept;

}  // namespace varnok::platform
