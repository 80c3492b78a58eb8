// How the meter window turns measures into its six texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varnok::analyzer {

// Smoothing of the "Average" column per `averaging` setting (Low, Medium, High).
inline constexpr std::array<double, 3> kAveragingCoefficients = {0.85, 0.92, 0.97};
inline constexpr std::int32_t kSettingCount = 3;  // values 0 to 2 of either setting

inline constexpr double kLevelScale = 3.9093017578125e-05;  // 1.281 / 32768
inline constexpr double kDecibelFactor = 10.0;              // times the natural logarithm
inline constexpr double kDecibelFloor = -100.0;
inline constexpr double kPercentScale = 0.00152587890625;  // 100 / 65536

inline constexpr const char* kLevelFormat = "%.2f dB";
inline constexpr const char* kSilentLevelText = "-inf dB";
inline constexpr const char* kAmplitudeFormat = "%.1f %%";
inline constexpr const char* kOffsetFormat = "%.1f";

inline constexpr std::size_t kMeterTextSize = 32;
using MeterText = char[kMeterTextSize];

// RMS ratio of a mean square power: 1.281 at full level.
double LevelRatio(double power) noexcept;
// The level the window shows for a ratio, 10 ln(ratio); the window shows
// "-inf dB" for a level not above kDecibelFloor, and for not-a-number.
double LevelDecibels(double ratio) noexcept;
// Absolute mean sample of a tick; 0 when the tick has no samples.
double OffsetOf(double sample_sum, std::int32_t samples_per_tick) noexcept;

// "-inf dB" for silence, a level at or under the floor, and not-a-number.
void FormatLevel(double ratio, MeterText& text) noexcept;
void FormatAmplitude(double range, MeterText& text) noexcept;
void FormatOffset(double offset, MeterText& text) noexcept;

}  // namespace varnok::analyzer
