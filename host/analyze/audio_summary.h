// What the host itself measures over a whole file, beside the Analyzer's
// window: the plain statistics a user checks the meter against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::host {

class AudioSummary final {
 public:
  // Takes the next `count` samples, on the file's scale (full level 1): a
  // sample near the float limit is a finite number there. Where `scaled` is
  // given, writes them there on the machines' scale too, in the same pass.
  void Add(const float* samples, std::size_t count, float* scaled = nullptr);

  std::size_t Samples() const { return samples_; }
  // Samples that are NaN or infinite; the figures below leave them out.
  std::size_t NonFinite() const { return non_finite_; }
  // Of the finite samples, on the same scale.
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
