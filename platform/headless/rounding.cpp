#include "platform/rounding.h"

#include <cfenv>

#include "platform/x86_control_bits.h"

namespace varnok::platform {

#if defined(__x86_64__)

// The C library's fesetround costs hundreds of nanoseconds here, more than a
// short Chip block; writing the rounding bits of both control registers
// directly costs a few. The x87 unit keeps them in bits 10-11 of its control
// word, SSE in bits 13-14 of MXCSR, so one saved value holds both.
namespace {

using x86::kSseRounding;
using x86::kX87Rounding;
constexpr unsigned kX87Downward = x86::kRoundDownward << x86::kX87RoundingShift;
constexpr unsigned kSseDownward = x86::kRoundDownward << x86::kSseRoundingShift;

unsigned X87Control() noexcept {
  unsigned short word;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

void SetX87Rounding(unsigned bits) noexcept {
  const unsigned short word = static_cast<unsigned short>((X87Control() & ~kX87Rounding) | bits);
  __asm__ volatile("fldcw %0" : : "m"(word));
}

unsigned SseControl() noexcept {
  unsigned word;
  __asm__ volatile("stmxcsr %0" : "=m"(word));
  return word;
}

// Keeps the exception flags: only the rounding bits change.
void SetSseRounding(unsigned bits) noexcept {
  const unsigned word = (SseControl() & ~kSseRounding) | bits;
  __asm__ volatile("ldmxcsr %0" : : "m"(word));
}

constexpr unsigned kX87Precision = 0x0300;  // bits 8-9; both set: 64-bit significand

void SetX87Control(unsigned word) noexcept {
  const unsigned short value = static_cast<unsigned short>(word);
  __asm__ volatile("fldcw %0" : : "m"(value));
}

}  // namespace

PrecisionMode FullX87Precision() noexcept {
  const PrecisionMode saved = X87Control();
  SetX87Control(saved | kX87Precision);
  return saved;
}

void RestorePrecision(PrecisionMode saved) noexcept {
  SetX87Control((X87Control() & ~kX87Precision) | (saved & kX87Precision));
}

RoundingMode RoundDownward() noexcept {
  const RoundingMode saved = (X87Control() & kX87Rounding) | (SseControl() & kSseRounding);
  SetX87Rounding(kX87Downward);
  SetSseRounding(kSseDownward);
  return saved;
}

void RestoreRounding(RoundingMode saved) noexcept {
  SetX87Rounding(saved & kX87Rounding);
  SetSseRounding(saved & kSseRounding);
}

#else

RoundingMode RoundDownward() noexcept {
  const int saved = std::fegetround();
  std::fesetround(FE_DOWNWARD);
  return static_cast<RoundingMode>(saved);
}

void RestoreRounding(RoundingMode saved) noexcept { std::fesetround(static_cast<int>(saved)); }

// No x87 unit: long double is whatever the processor computes natively.
PrecisionMode FullX87Precision() noexcept { return 0; }
void RestorePrecision(PrecisionMode) noexcept {}

#endif

}  // namespace varnok::platform
