#include "host/analyze/audio_summary.h"

#include <cmath>

#include "host/audio/audio_file.h"

namespace varnok::host {

void AudioSummary::Add(const float* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const double x = samples[i];
    if (!std::isfinite(x)) {
      ++non_finite_;
      continue;
    }
    peak_ = std::fmax(peak_, std::fabs(x));
    sum_ += x;
    sum_of_squares_ += x * x;
  }
  samples_ += count;
}

double AudioSummary::Peak() const { return peak_ / kFullScale; }

double AudioSummary::Rms() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? std::sqrt(sum_of_squares_ / static_cast<double>(finite)) / kFullScale : 0.0;
}

double AudioSummary::SignedOffset() const {
  const std::size_t finite = samples_ - non_finite_;
  return finite > 0 ? sum_ / static_cast<double>(finite) / kFullScale : 0.0;
}

}  // namespace varnok::host
