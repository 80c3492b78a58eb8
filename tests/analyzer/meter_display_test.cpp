#include "analyzer/meter_display.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace varnok::analyzer {
namespace {

std::string Level(double ratio) {
  MeterText text;
  FormatLevel(ratio, text);
  return text;
}

TEST(MeterDisplay, ScalesAreTheMeterConstants) {
  EXPECT_EQ(kLevelScale, 1.281 / 32768.0);
  EXPECT_EQ(kPercentScale, 100.0 / 65536.0);
  EXPECT_EQ(LevelRatio(32768.0 * 32768.0), 1.281);
}

// Ten times the natural logarithm, shown only above -100.
TEST(MeterDisplay, LevelFloorAndItsNeighbours) {
  EXPECT_EQ(Level(std::exp(-10.0)), "-inf dB");
  EXPECT_EQ(Level(std::exp(-9.999)), "-99.99 dB");
  EXPECT_EQ(Level(std::exp(0.1)), "1.00 dB");
  EXPECT_EQ(Level(0.0), "-inf dB");
  EXPECT_EQ(Level(std::numeric_limits<double>::quiet_NaN()), "-inf dB");
}

TEST(MeterDisplay, AmplitudeAndOffsetTexts) {
  MeterText text;
  FormatAmplitude(65535.0, text);
  EXPECT_STREQ(text, "100.0 %");
  FormatAmplitude(1e300, text);
  EXPECT_EQ(std::string(text).size(), kMeterTextSize - 1) << "cut, never overrun";
  FormatOffset(OffsetOf(-100.0 * 441, 441), text);
  EXPECT_STREQ(text, "100.0");
  EXPECT_EQ(OffsetOf(-5.0, 0), 0.0);
  EXPECT_EQ(OffsetOf(0.0, 0), 0.0);
}

}  // namespace
}  // namespace varnok::analyzer
