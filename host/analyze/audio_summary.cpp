#include "host/analyze/audio_summary.h"

#include <cmath>
#include <cstring>

#include "host/audio/audio_file.h"

namespace varnok::host {

void AudioSummary::Add(const float* samples, std::size_t count) {
  // Four lanes side by side, one chain of dependent adds each, in two SSE
  // registers per sum: each lane adds exactly as a scalar loop would.
  typedef float Floats __attribute__((vector_size(16)));
  typedef std::int32_t Ints __attribute__((vector_size(16)));
  typedef double Doubles __attribute__((vector_size(16)));
  constexpr std::int32_t kExponent = 0x7F800000;  // all ones: NaN or infinity
  constexpr std::int32_t kMagnitude = 0x7FFFFFFF;
  constexpr std::size_t kLanes = 4;
  Doubles sum_low = {}, sum_high = {}, squares_low = {}, squares_high = {};
  Floats peak = {};
  Ints non_finite = {};
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    Floats sample;
    std::memcpy(&sample, samples + i, sizeof sample);
    const Ints bits = (Ints)sample;
    const Ints finite = (bits & kExponent) != kExponent;  // all ones where finite
    non_finite += finite + 1;
    const Ints kept = bits & finite;  // +0.0, left out of every figure, where not
    const Floats x = (Floats)kept;
    const Ints magnitude = kept & kMagnitude;
    const Floats size = (Floats)magnitude;
    peak = peak < size ? size : peak;
    const Doubles low = {x[0], x[1]}, high = {x[2], x[3]};
    sum_low += low;
    sum_high += high;
    squares_low += low * low;
    squares_high += high * high;
  }
  double sum[kLanes] = {sum_low[0], sum_low[1], sum_high[0], sum_high[1]};
  double squares[kLanes] = {squares_low[0], squares_low[1], squares_high[0], squares_high[1]};
  std::size_t non_finite_count = 0;
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    non_finite_count += static_cast<std::size_t>(non_finite[lane]);
  }
  for (; i < count; ++i) {
    const bool finite = std::isfinite(samples[i]);
    const float x = finite ? samples[i] : 0.0f;
    non_finite_count += finite ? 0 : 1;
    peak[0] = std::fmax(peak[0], std::fabs(x));
    sum[0] += x;
    squares[0] += static_cast<double>(x) * x;
  }
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    peak_ = std::fmax(peak_, peak[lane]);
    sum_ += sum[lane];
    sum_of_squares_ += squares[lane];
  }
  non_finite_ += non_finite_count;
  samples_ += count;
}

double AudioSummary::Peak() const { return peak_ / kFullLevel; }

double AudioSummary::Rms() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? std::sqrt(sum_of_squares_ / static_cast<double>(finite)) / kFullLevel : 0.0;
}

double AudioSummary::SignedOffset() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? sum_ / static_cast<double>(finite) / kFullLevel : 0.0;
}

}  // namespace varnok::host
