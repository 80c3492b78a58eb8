#include "platform/rounding.h"

#include <float.h>
#include <xmmintrin.h>

#include "platform/x86_control_bits.h"

namespace varnok::platform {
namespace {

static_assert(_RC_DOWN == 0x100 && _MCW_RC == 0x300, "x87 rounding-control bits");

// Our arithmetic runs on SSE2 on both Windows targets. On 32-bit the runtime's
// _control87 is not bound to reach MXCSR, so its rounding bits (13-14) are set
// here as well, and saved in the same word: _control87 leaves bits 13-14 unused.
using x86::kSseRounding;
constexpr unsigned kSseDownward = x86::kRoundDownward << x86::kSseRoundingShift;
static_assert((kSseRounding & (_MCW_EM | _MCW_IC | _MCW_RC | _MCW_PC | _MCW_DN)) == 0,
              "the saved SSE bits must not collide with the control word's");

void SetSseRounding(unsigned bits) noexcept {
  _mm_setcsr((_mm_getcsr() & ~kSseRounding) | bits);
}

}  // namespace

RoundingMode RoundDownward() noexcept {
  const RoundingMode saved = (_control87(0, 0) & ~kSseRounding) | (_mm_getcsr() & kSseRounding);
  _control87(_RC_DOWN, _MCW_RC);
  SetSseRounding(kSseDownward);
  return saved;
}

// Only the rounding bits go back; precision and exception masks stay as
// whoever set them since.
void RestoreRounding(RoundingMode saved) noexcept {
  _control87(saved, _MCW_RC);
  SetSseRounding(saved & kSseRounding);
}

#if defined(__i386__)

PrecisionMode FullX87Precision() noexcept {
  const PrecisionMode saved = _control87(0, 0);
  _control87(_PC_64, _MCW_PC);
  return saved;
}

void RestorePrecision(PrecisionMode saved) noexcept { _control87(saved, _MCW_PC); }

#else

// 64-bit Windows runs at full x87 precision already, and its runtime cannot set it.
PrecisionMode FullX87Precision() noexcept { return 0; }
void RestorePrecision(PrecisionMode) noexcept {}

#endif

}  // namespace varnok::platform
