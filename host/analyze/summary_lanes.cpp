#include "host/analyze/summary_lanes.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "framework/render_signal.h"

namespace varnok::host {
namespace {

typedef float Floats4 __attribute__((vector_size(16)));
typedef std::int32_t Ints4 __attribute__((vector_size(16)));
typedef double Doubles2 __attribute__((vector_size(16)));

// One vector of samples into the sums of the lanes it falls on: `low` and
// `high` take its first and second half, widened to double.
template <class Floats, class Ints, class Doubles>
[[gnu::always_inline]] inline void Take(const float* at, float* scaled_at, Doubles& sum_low, Doubles& sum_high,
                                        Doubles& squares_low, Doubles& squares_high, Floats& peak,
                                        Ints& non_finite) {
  constexpr std::int32_t kExponent = 0x7F800000;  // all ones: NaN or infinity
  constexpr std::int32_t kMagnitude = 0x7FFFFFFF;
  Floats sample;
  std::memcpy(&sample, at, sizeof sample);
  if (scaled_at != nullptr) {
    const Floats out = sample * kFullLevel;
    std::memcpy(scaled_at, &out, sizeof out);
  }
  const Ints bits = (Ints)sample;
  const Ints unfinite = (bits & kExponent) == kExponent;  // all ones where NaN or infinite
  non_finite -= unfinite;
  const Ints kept = bits & ~unfinite;  // +0.0, left out of every figure, where not finite
  const Floats x = (Floats)kept;
  const Floats size = (Floats)(kept & kMagnitude);
  peak = peak < size ? size : peak;
  Doubles low, high;
  if constexpr (sizeof(Floats) == 16) {
    low = __builtin_convertvector(__builtin_shufflevector(x, x, 0, 1), Doubles);
    high = __builtin_convertvector(__builtin_shufflevector(x, x, 2, 3), Doubles);
  } else {
    // Widened whole and then halved: two conversions, where widening each
    // half would take four and their shuffles.
    typedef double Doubles8 __attribute__((vector_size(64)));
    const Doubles8 wide = __builtin_convertvector(x, Doubles8);
    low = __builtin_shufflevector(wide, wide, 0, 1, 2, 3);
    high = __builtin_shufflevector(wide, wide, 4, 5, 6, 7);
  }
  sum_low += low;
  sum_high += high;
  squares_low += low * low;
  squares_high += high * high;
}

// Lane k takes samples k, k + 8, k + 16, ... in order, in one chain of
// dependent adds; the lanes' chains overlap instead of waiting on each other.
template <class Floats, class Ints, class Doubles>
[[gnu::always_inline]] inline LaneSums SumLanes(const float* samples, std::size_t count, float* scaled) {
  constexpr std::size_t kWidth = sizeof(Floats) / sizeof(float);
  constexpr std::size_t kHalf = kWidth / 2;
  Doubles s0 = {}, s1 = {}, s2 = {}, s3 = {}, q0 = {}, q1 = {}, q2 = {}, q3 = {};
  Floats peak = {};
  Ints non_finite = {};
  std::size_t i = 0;
  for (; i + kSummaryLanes <= count; i += kSummaryLanes) {
    Take(samples + i, scaled != nullptr ? scaled + i : nullptr, s0, s1, q0, q1, peak, non_finite);
    if constexpr (kWidth == 4) {
      Take(samples + i + 4, scaled != nullptr ? scaled + i + 4 : nullptr, s2, s3, q2, q3, peak, non_finite);
    }
  }
  LaneSums lanes;
  lanes.taken = i;
  std::memcpy(lanes.sum, &s0, sizeof s0);
  std::memcpy(lanes.sum + kHalf, &s1, sizeof s1);
  std::memcpy(lanes.squares, &q0, sizeof q0);
  std::memcpy(lanes.squares + kHalf, &q1, sizeof q1);
  if constexpr (kWidth == 4) {
    std::memcpy(lanes.sum + 4, &s2, sizeof s2);
    std::memcpy(lanes.sum + 6, &s3, sizeof s3);
    std::memcpy(lanes.squares + 4, &q2, sizeof q2);
    std::memcpy(lanes.squares + 6, &q3, sizeof q3);
  }
  for (std::size_t k = 0; k < kWidth; ++k) {
    lanes.peak = std::fmax(lanes.peak, peak[k]);
    lanes.non_finite += static_cast<std::size_t>(non_finite[k]);
  }
  return lanes;
}

#if defined(__x86_64__) && !defined(_WIN32)
typedef float Floats8 __attribute__((vector_size(32)));
typedef std::int32_t Ints8 __attribute__((vector_size(32)));
typedef double Doubles4 __attribute__((vector_size(32)));

[[gnu::target("avx2")]] LaneSums SumLanesAvx2Body(const float* samples, std::size_t count, float* scaled) {
  return SumLanes<Floats8, Ints8, Doubles4>(samples, count, scaled);
}
#endif

}  // namespace

LaneSums SumLanesSse2(const float* samples, std::size_t count, float* scaled) {
  return SumLanes<Floats4, Ints4, Doubles2>(samples, count, scaled);
}

// Not on Windows: its 64-bit ABI keeps the stack 16-byte aligned, and GCC
// would spill 32-byte registers there with aligned moves.
SumLanesFunction SumLanesAvx2() {
#if defined(__x86_64__) && !defined(_WIN32)
  if (__builtin_cpu_supports("avx2")) return SumLanesAvx2Body;
#endif
  return nullptr;
}

}  // namespace varnok::host
