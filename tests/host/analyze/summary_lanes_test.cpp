// Every width of vector must give the whole-file summary the same sums to the
// bit, or a reading would depend on the processor that measured it.
#include "host/analyze/summary_lanes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace varnok::host {
namespace {

// Noise with the odd values among it: NaN, infinities, denormals, signed
// zeros and samples near the float limit.
std::vector<float> AwkwardNoise(std::size_t count) {
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0.0f, 0.3f);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::denorm_min(),
                       -0.0f, 3.0e38f, -3.0e38f};
  std::vector<float> samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = i % 97 == 5 ? odd[(i / 97) % 7] : noise(random);
  return samples;
}

TEST(SummaryLanes, Avx2GivesTheSse2SumsToTheBit) {
  const SumLanesFunction avx2 = SumLanesAvx2();
  if (avx2 == nullptr) GTEST_SKIP() << "no AVX2 here";
  const std::vector<float> samples = AwkwardNoise(70001);
  for (const std::size_t count : {0, 7, 8, 9, 4099, 70001}) {
    std::vector<float> scaled_sse2(count + 1), scaled_avx2(count + 1);  // never empty: memcmp takes no null
    const LaneSums a = SumLanesSse2(samples.data(), count, scaled_sse2.data());
    const LaneSums b = avx2(samples.data(), count, scaled_avx2.data());
    EXPECT_EQ(std::memcmp(a.sum, b.sum, sizeof a.sum), 0) << count;
    EXPECT_EQ(std::memcmp(a.squares, b.squares, sizeof a.squares), 0) << count;
    EXPECT_EQ(std::memcmp(&a.peak, &b.peak, sizeof a.peak), 0) << count;
    EXPECT_EQ(a.non_finite, b.non_finite) << count;
    EXPECT_EQ(a.taken, b.taken) << count;
    EXPECT_EQ(std::memcmp(scaled_sse2.data(), scaled_avx2.data(), a.taken * sizeof(float)), 0) << count;
  }
}

}  // namespace
}  // namespace varnok::host
