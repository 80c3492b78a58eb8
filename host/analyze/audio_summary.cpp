#include "host/analyze/audio_summary.h"

#include <cmath>
#include <cstring>

#include "framework/render_signal.h"


namespace varnok::host {

void AudioSummary::Add(const float* samples, std::size_t count, float* scaled) {
  // Eight lanes side by side, one chain of dependent adds each, in four SSE
  // registers per sum: the chains overlap instead of waiting on each other.
  typedef float Floats __attribute__((vector_size(16)));
  typedef std::int32_t Ints __attribute__((vector_size(16)));
  typedef double Doubles __attribute__((vector_size(16)));
  constexpr std::int32_t kExponent = 0x7F800000;  // all ones: NaN or infinity
  constexpr std::int32_t kMagnitude = 0x7FFFFFFF;
  constexpr std::size_t kLanes = 8;
  Doubles sum[4] = {}, squares[4] = {};
  Floats peak = {};
  Ints non_finite = {};
  const Floats scale = {kFullLevel, kFullLevel, kFullLevel, kFullLevel};
  // Four samples at `at` into the sums of lanes `pair` and `pair + 1`.
  const auto take = [&](std::size_t at, Doubles& sum_low, Doubles& sum_high, Doubles& squares_low,
                        Doubles& squares_high) __attribute__((always_inline)) {
    Floats sample;
    std::memcpy(&sample, samples + at, sizeof sample);
    if (scaled != nullptr) {
      const Floats out = sample * scale;
      std::memcpy(scaled + at, &out, sizeof out);
    }
    const Ints bits = (Ints)sample;
    const Ints finite = (bits & kExponent) != kExponent;  // all ones where finite
    non_finite += finite + 1;
    const Ints kept = bits & finite;  // +0.0, left out of every figure, where not
    const Floats x = (Floats)kept;
    const Floats size = (Floats)(kept & kMagnitude);
    peak = peak < size ? size : peak;
    const Doubles low = __builtin_convertvector(__builtin_shufflevector(x, x, 0, 1), Doubles);
    const Doubles high = __builtin_convertvector(__builtin_shufflevector(x, x, 2, 3), Doubles);
    sum_low += low;
    sum_high += high;
    squares_low += low * low;
    squares_high += high * high;
  };
  Doubles s0 = {}, s1 = {}, s2 = {}, s3 = {}, q0 = {}, q1 = {}, q2 = {}, q3 = {};
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    take(i, s0, s1, q0, q1);
    take(i + 4, s2, s3, q2, q3);
  }
  sum[0] = s0, sum[1] = s1, sum[2] = s2, sum[3] = s3;
  squares[0] = q0, squares[1] = q1, squares[2] = q2, squares[3] = q3;
  double total = 0.0, total_of_squares = 0.0;
  for (int pair = 0; pair < 4; ++pair) {
    total += sum[pair][0] + sum[pair][1];
    total_of_squares += squares[pair][0] + squares[pair][1];
  }
  std::size_t non_finite_count = 0;
  for (int lane = 0; lane < 4; ++lane) non_finite_count += static_cast<std::size_t>(non_finite[lane]);
  float highest = std::fmax(std::fmax(peak[0], peak[1]), std::fmax(peak[2], peak[3]));
  for (; i < count; ++i) {
    const float sample = samples[i];  // before `scaled` may write over it
    if (scaled != nullptr) scaled[i] = sample * kFullLevel;
    const bool finite = std::isfinite(sample);
    const float x = finite ? sample : 0.0f;
    non_finite_count += finite ? 0 : 1;
    highest = std::fmax(highest, std::fabs(x));
    total += x;
    total_of_squares += static_cast<double>(x) * x;
  }
  peak_ = std::fmax(peak_, highest);
  sum_ += total;
  sum_of_squares_ += total_of_squares;
  non_finite_ += non_finite_count;
  samples_ += count;
}

double AudioSummary::Peak() const { return peak_; }

double AudioSummary::Rms() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? std::sqrt(sum_of_squares_ / static_cast<double>(finite)) : 0.0;
}

double AudioSummary::SignedOffset() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? sum_ / static_cast<double>(finite) : 0.0;
}

}  // namespace varnok::host
