#include "host/analyze/audio_summary.h"

#include <cmath>

#include "host/audio/audio_file.h"

namespace varnok::host {

void AudioSummary::Add(const float* samples, std::size_t count) {
  // Four lanes side by side: one chain of dependent adds would bound the loop.
  constexpr std::size_t kLanes = 4;
  double sum[kLanes] = {}, squares[kLanes] = {};
  float peak[kLanes] = {};
  std::size_t non_finite = 0;
  const auto take = [&](std::size_t lane, float sample) {
    const bool finite = std::isfinite(sample);
    const float x = finite ? sample : 0.0f;  // left out of every figure
    non_finite += finite ? 0 : 1;
    peak[lane] = std::fmax(peak[lane], std::fabs(x));
    sum[lane] += x;
    squares[lane] += static_cast<double>(x) * x;
  };
  std::size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) take(lane, samples[i + lane]);
  }
  for (; i < count; ++i) take(0, samples[i]);
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    peak_ = std::fmax(peak_, peak[lane]);
    sum_ += sum[lane];
    sum_of_squares_ += squares[lane];
  }
  non_finite_ += non_finite;
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
