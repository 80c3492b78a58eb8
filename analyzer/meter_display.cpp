#include "analyzer/meter_display.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/rounding.h"

namespace varnok::analyzer {

double LevelRatio(double power) noexcept { return std::sqrt(power) * kLevelScale; }

double OffsetOf(double sample_sum, std::int32_t samples_per_tick) noexcept {
  if (samples_per_tick == 0) return 0.0;
  return std::fabs(sample_sum / samples_per_tick);
}

double LevelDecibels(double ratio) noexcept {
  const platform::FullPrecision precision;  // log runs on the x87 unit in the DLL
  return kDecibelFactor * std::log(ratio);
}

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// printf writes the decimal separator of the process's locale, which a host
// may have switched; the window always shows a point. The formats print an
// optional sign, digits, the separator and digits, so whatever stands between
// the two runs of digits is the separator.
void UsePoint(MeterText& text) noexcept {
  char* separator = text;
  if (*separator == '-') ++separator;
  while (IsDigit(*separator)) ++separator;
  char* fraction = separator;
  while (*fraction != '\0' && !IsDigit(*fraction)) ++fraction;
  if (separator == text || *fraction == '\0') return;  // no number, or no fraction
  *separator = '.';
  std::memmove(separator + 1, fraction, std::strlen(fraction) + 1);
}

}  // namespace

void FormatLevel(double ratio, MeterText& text) noexcept {
  const double level = LevelDecibels(ratio);
  if (level > kDecibelFloor) {
    std::snprintf(text, kMeterTextSize, kLevelFormat, level);
    UsePoint(text);
  } else {
    std::snprintf(text, kMeterTextSize, "%s", kSilentLevelText);
  }
}

void FormatAmplitude(double range, MeterText& text) noexcept {
  std::snprintf(text, kMeterTextSize, kAmplitudeFormat, range * kPercentScale);
  UsePoint(text);
}

void FormatOffset(double offset, MeterText& text) noexcept {
  std::snprintf(text, kMeterTextSize, kOffsetFormat, offset);
  UsePoint(text);
}

}  // namespace varnok::analyzer
