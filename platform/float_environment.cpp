// The x87 and SSE units are the processor's, not the system's: one reading
// serves Linux and Windows alike.
#include "platform/float_environment.h"

#include <cfenv>

#include "platform/x86_control_bits.h"

namespace varnok::platform {
namespace {

Rounding RoundingField(std::uint32_t word, unsigned shift) noexcept {
  return static_cast<Rounding>((word >> shift) & x86::kRoundingField);
}

}  // namespace

FloatControl FloatControlOf(std::uint16_t x87_control_word, std::uint32_t mxcsr) noexcept {
  return {RoundingField(x87_control_word, x86::kX87RoundingShift),
          RoundingField(mxcsr, x86::kSseRoundingShift), (mxcsr & x86::kFlushToZero) != 0,
          (mxcsr & x86::kDenormalsAreZero) != 0};
}

#if defined(__i386__) || defined(__x86_64__)

FloatControl CurrentFloatControl() noexcept {
  std::uint16_t x87;
  std::uint32_t mxcsr;
  __asm__ volatile("fnstcw %0" : "=m"(x87));
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  return FloatControlOf(x87, mxcsr);
}

#else

// Without the x86 units the C library's one rounding mode is all there is.
FloatControl CurrentFloatControl() noexcept {
  FloatControl control;
  switch (std::fegetround()) {
    case FE_DOWNWARD: control.x87_rounding = Rounding::kDownward; break;
    case FE_UPWARD: control.x87_rounding = Rounding::kUpward; break;
    case FE_TOWARDZERO: control.x87_rounding = Rounding::kTowardZero; break;
    default: break;
  }
  control.sse_rounding = control.x87_rounding;
  return control;
}

#endif

}  // namespace varnok::platform
