// What every rendered block must satisfy, and the pattern that shows which
// samples a machine did not write.
#pragma once

#include <cstdint>
#include <string>

#include "framework/render_signal.h"

namespace varnok::host::validate {

// A block beyond 32 times full level is a fault, not music.
inline constexpr float kSampleLimit = 32.0f * kFullLevel;

// A quiet NaN with a payload no arithmetic produces, to mark unwritten samples.
inline constexpr std::uint32_t kSentinelBits = 0x7FCA5A5Au;

void FillWithSentinel(float* samples, int count);
bool IsSentinel(float sample);
// Index of the first sample still holding the sentinel, or -1.
int FirstSentinel(const float* samples, int count);

// Empty when every sample is finite, normal or zero, and within ±kSampleLimit;
// otherwise the first offence, e.g. "sample 17 is NaN". A denormal left exactly
// as the host passed it in (`input`, where there was one) is not the machine's.
std::string CheckSamples(const float* samples, int count, const float* input = nullptr);
bool HasNonFinite(const float* samples, int count);

}  // namespace varnok::host::validate
