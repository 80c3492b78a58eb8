// What the host itself measures over a whole file, beside the Analyzer's
// window: the plain statistics a user checks the meter against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::host {

class AudioSummary final {
 public:
  // Takes the next `count` samples (full level 32768).
  void Add(const float* samples, std::size_t count);

  std::size_t Samples() const { return samples_; }
  // Samples that are NaN or infinite; the figures below leave them out.
  std::size_t NonFinite() const { return non_finite_; }
  // Of the finite samples, as a share of full level (1.0 at full level).
  double Peak() const;
  double Rms() const;
  double SignedOffset() const;

 private:
  std::size_t samples_ = 0;
  std::size_t non_finite_ = 0;
  double peak_ = 0.0;
  double sum_ = 0.0;
  double sum_of_squares_ = 0.0;
};

}  // namespace varnok::host
