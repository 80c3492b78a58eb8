// The whole-file summary's inner loop: eight lanes of sums side by side, each
// lane always taking the same samples, so that every width of vector the
// processor offers gives the same sums to the bit.
#pragma once

#include <cstddef>

namespace varnok::host {

inline constexpr std::size_t kSummaryLanes = 8;

struct LaneSums {
  double sum[kSummaryLanes] = {};
  double squares[kSummaryLanes] = {};
  float peak = 0.0f;  // of the finite samples' magnitudes
  std::size_t non_finite = 0;
  std::size_t taken = 0;  // a whole number of lanes' worth; the caller adds the rest
};

// Sums `count` samples from `samples` (file scale) lane by lane and, where
// `scaled` is given, writes them there on the machines' scale.
using SumLanesFunction = LaneSums (*)(const float* samples, std::size_t count, float* scaled);

LaneSums SumLanesSse2(const float* samples, std::size_t count, float* scaled);
// Null where the processor or the build has no AVX2.
SumLanesFunction SumLanesAvx2();

}  // namespace varnok::host
