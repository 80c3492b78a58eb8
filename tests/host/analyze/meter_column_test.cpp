// The meter's table keeps its columns whatever the window says.
#include <gtest/gtest.h>

#include "host/analyze/meter_window.h"

namespace varnok::host {
namespace {

TEST(MeterColumn, FitsAnyTextToItsWidth) {
  const struct {
    const char* text;
    const char* shown;
  } kCases[] = {
      {"-7.92 dB", "-7.92 dB"},                 // as the window says, when it fits
      {"1234567890.0", "1.2346e+09"},           // a number loses digits, not its place
      {"-98765432101.5 dB", "-1e+11 dB"},       // and keeps its unit
      {"inf dB", "inf dB"},
      {"overflowing text", "overflowi~"},        // not a number: cut, and marked
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FitColumn(c.text), c.shown) << c.text;
    EXPECT_LE(FitColumn(c.text).size(), kMeterColumnWidth) << c.text;
  }
}

}  // namespace
}  // namespace varnok::host
