#include "host/analyze/audio_summary.h"

#include <cmath>

#include "framework/render_signal.h"
#include "host/analyze/summary_lanes.h"


namespace varnok::host {

void AudioSummary::Add(const float* samples, std::size_t count, float* scaled) {
  static const SumLanesFunction sum_lanes = [] {
    const SumLanesFunction avx2 = SumLanesAvx2();
    return avx2 != nullptr ? avx2 : SumLanesSse2;
  }();
  const LaneSums lanes = sum_lanes(samples, count, scaled);
  double total = 0.0, total_of_squares = 0.0;
  for (std::size_t lane = 0; lane < kSummaryLanes; lane += 2) {
    total += lanes.sum[lane] + lanes.sum[lane + 1];
    total_of_squares += lanes.squares[lane] + lanes.squares[lane + 1];
  }
  std::size_t non_finite_count = lanes.non_finite;
  float highest = lanes.peak;
  for (std::size_t i = lanes.taken; i < count; ++i) {
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
