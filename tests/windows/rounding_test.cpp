// The rounding switch of the Chip's render loop, on the system's control words.
// Arithmetic runs in SSE on both Windows targets, so MXCSR is what must change.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cfenv>
#include <cstdint>
#include <cstring>

#include "platform/rounding.h"

namespace varnok::platform {
namespace {

constexpr unsigned kMxcsrRounding = 0x6000;
constexpr unsigned kMxcsrDownward = 0x2000;
constexpr unsigned kMxcsrFlags = 0x3F;  // sticky exception flags

// The integer part as the Chip takes it: 1.5 x 2^52 added under the mode in force.
std::int32_t IntegerPartOf(double value) {
  volatile double shifted = value;
  shifted = shifted + 6755399441055744.0;
  const double result = shifted;
  std::int64_t bits;
  std::memcpy(&bits, &result, sizeof bits);
  return static_cast<std::int32_t>(bits);
}

TEST(Rounding, DownwardInsideThenTheCallersModeAgain) {
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_TOWARDZERO, FE_DOWNWARD}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const unsigned before = _mm_getcsr();
    {
      const DownwardRounding block;
      EXPECT_EQ(_mm_getcsr() & kMxcsrRounding, kMxcsrDownward) << mode;
      EXPECT_EQ(IntegerPartOf(2.75), 2) << mode;
      EXPECT_EQ(IntegerPartOf(-2.25), -3) << mode;
    }
    // Masks, denormal handling and the caller's rounding all as they were.
    EXPECT_EQ(_mm_getcsr() & ~kMxcsrFlags, before & ~kMxcsrFlags) << mode;
  }
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(IntegerPartOf(2.75), 3);
}

TEST(Rounding, TouchesNothingButTheRoundingBits) {
  const unsigned original = _mm_getcsr();
  // A caller with flush-to-zero and an unmasked exception: both must survive.
  const unsigned unusual = (original | 0x8000u) & ~0x0200u;
  _mm_setcsr(unusual);
  {
    const DownwardRounding block;
    EXPECT_EQ(_mm_getcsr() & ~(kMxcsrFlags | kMxcsrRounding), unusual & ~(kMxcsrFlags | kMxcsrRounding));
  }
  EXPECT_EQ(_mm_getcsr() & ~kMxcsrFlags, unusual & ~kMxcsrFlags);
  _mm_setcsr(original);
}

}  // namespace
}  // namespace varnok::platform
