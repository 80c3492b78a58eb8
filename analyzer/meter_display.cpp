#include "analyzer/meter_display.h"

#include <cmath>
#include <cstdio>

#include "platform/rounding.h"

namespace varnok::analyzer {

double LevelRatio(double power) noexcept { return std::sqrt(power) * kLevelScale; }

double OffsetOf(double sample_sum, std::int32_t samples_per_tick) noexcept {
  if (samples_per_tick == 0) return 0.0;
  return std::fabs(sample_sum / samples_per_tick);
}

namespace {

double DecibelsOf(double ratio) noexcept {
  const platform::FullPrecision precision;  // log runs on the x87 unit in the DLL
  return kDecibelFactor * std::log(ratio);
}

}  // namespace

void FormatLevel(double ratio, MeterText& text) noexcept {
  const double level = DecibelsOf(ratio);
  if (level > kDecibelFloor) {
    std::snprintf(text, kMeterTextSize, kLevelFormat, level);
  } else {
    std::snprintf(text, kMeterTextSize, "%s", kSilentLevelText);
  }
}

void FormatAmplitude(double range, MeterText& text) noexcept {
  std::snprintf(text, kMeterTextSize, kAmplitudeFormat, range * kPercentScale);
}

void FormatOffset(double offset, MeterText& text) noexcept {
  std::snprintf(text, kMeterTextSize, kOffsetFormat, offset);
}

}  // namespace varnok::analyzer
