// Floating-point rounding mode and x87 precision of the calling thread.
#pragma once

namespace varnok::platform {

// The whole rounding state as the system's runtime reports it.
using RoundingMode = unsigned int;

// [audio] Switches the calling thread to rounding toward minus infinity and
// returns the mode that was in force. Touches nothing but the rounding bits.
RoundingMode RoundDownward() noexcept;
// [audio] Puts back a mode returned by RoundDownward.
void RestoreRounding(RoundingMode saved) noexcept;

// Rounds toward minus infinity for its lifetime.
class DownwardRounding final {
 public:
  DownwardRounding() noexcept : saved_(RoundDownward()) {}
  ~DownwardRounding() { RestoreRounding(saved_); }
  DownwardRounding(const DownwardRounding&) = delete;
  DownwardRounding& operator=(const DownwardRounding&) = delete;

 private:
  RoundingMode saved_;
};

// The x87 unit's precision control, saved whole.
using PrecisionMode = unsigned int;

// [audio] Sets the x87 unit of the calling thread to round to a 64-bit
// significand and returns the mode that was in force; nothing where the
// processor has no x87 unit. Touches nothing but the precision bits.
PrecisionMode FullX87Precision() noexcept;
// [audio] Puts back a mode returned by FullX87Precision.
void RestorePrecision(PrecisionMode saved) noexcept;

// Computes at full x87 precision for its lifetime, whatever the caller set:
// long double and, in the 32-bit DLLs, the C runtime's sin, cos, pow and log
// run on the x87 unit, and an MSVC-built host leaves it at 53 bits.
class FullPrecision final {
 public:
  FullPrecision() noexcept : saved_(FullX87Precision()) {}
  ~FullPrecision() { RestorePrecision(saved_); }
  FullPrecision(const FullPrecision&) = delete;
  FullPrecision& operator=(const FullPrecision&) = delete;

 private:
  PrecisionMode saved_;
};

}  // namespace varnok::platform
