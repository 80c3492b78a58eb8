// The switch to downward rounding the Chip makes around each block must reach
// the unit that does the arithmetic and must hand every caller's mode back, in
// the x87 control word and in the SSE one alike.
#include <cfenv>

#include <gtest/gtest.h>

#include "platform/rounding.h"

namespace varnok::platform {
namespace {

volatile double one = 1.0;
volatile double three = 3.0;

double Third() { return one / three; }

// Long double goes through the x87 unit on x86; elsewhere it checks the same.
long double LongThird() {
  const long double numerator = one;
  return numerator / static_cast<long double>(three);
}

TEST(RoundingSwitchTest, RoundsDownwardWhileHeld) {
  ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
  const double up = Third();
  double down;
  {
    const DownwardRounding rounding;
    down = Third();
  }
  std::fesetround(FE_TONEAREST);
  EXPECT_LT(down, up);
}

TEST(RoundingSwitchTest, HandsBackEveryModeInBothUnits) {
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const double before = Third();
    const long double long_before = LongThird();
    { const DownwardRounding rounding; }
    EXPECT_EQ(std::fegetround(), mode);
    EXPECT_EQ(Third(), before) << "mode " << mode;
    EXPECT_EQ(LongThird(), long_before) << "mode " << mode;
  }
  std::fesetround(FE_TONEAREST);
}

}  // namespace
}  // namespace varnok::platform
