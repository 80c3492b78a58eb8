#include "analyzer/measurement.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "framework/render_signal.h"

namespace varnok::analyzer {
namespace {

// A measurement as Initialize leaves it.
struct Started {
  explicit Started(int sample_rate = 44100) { measurement.Start(PowerFilterFor(sample_rate)); }
  Measurement measurement;
};

TEST(PowerFilter, HasItsCornerAtTenHertzWithUnityGain) {
  const PowerFilter filter = PowerFilterFor(44100);
  EXPECT_NEAR(filter.feedback, 0.998576256, 1e-9);
  EXPECT_NEAR(filter.input_gain, 0.001423744, 1e-9);
  for (int rate : {8000, 22050, 44100, 48000, 96000}) {
    const PowerFilter f = PowerFilterFor(rate);
    EXPECT_EQ(f.feedback + f.input_gain, 1.0) << rate;
    // Time constant of about 15.9 ms whatever the rate.
    EXPECT_NEAR(-1.0 / (rate * std::log(f.feedback)), 0.0159, 0.0002) << rate;
  }
}

TEST(Measurement, LeavesTheBufferBitForBit) {
  Started started;
  Measurement& measurement = started.measurement;
  std::vector<float> samples = {1.5f, -0.0f, 32768.0f, -32768.0f, std::nanf(""), 1e-40f, 7.0f};
  const std::vector<float> before = samples;
  EXPECT_TRUE(measurement.Render(samples.data(), static_cast<int>(samples.size()), kRenderHasInput));
  EXPECT_EQ(std::memcmp(before.data(), samples.data(), samples.size() * sizeof(float)), 0);
}

TEST(Measurement, ModeWithoutInputDropsThePowerAndKeepsTheTick) {
  for (int mode : {0, 2}) {
    Started started;
    Measurement& measurement = started.measurement;
    float samples[] = {-5.0f, 3.0f, 100.0f};
    measurement.Render(samples, 3, kRenderHasInput);
    ASSERT_GT(measurement.Power(), 0.0);
    EXPECT_EQ(measurement.Render(samples, 3, mode), mode == 0) << mode;
    EXPECT_EQ(measurement.Power(), 0.0);
    const TickMeasures tick = measurement.Take();
    EXPECT_EQ(tick.min_sample, -5.0f);
    EXPECT_EQ(tick.max_sample, 100.0f);
    EXPECT_EQ(tick.sample_sum, 98.0);
  }
  Started started;
  Measurement& measurement = started.measurement;
  float sample = 1.0f;
  EXPECT_TRUE(measurement.Render(&sample, 1, 3));
}

TEST(Measurement, PeaksAndSumSinceTheLastTake) {
  Started started;
  Measurement& measurement = started.measurement;
  float before[] = {9.0f, -9.0f};
  measurement.Render(before, 2, kRenderHasInput);
  measurement.Take();
  float samples[] = {-5.0f, 3.0f, -7.0f, 2.0f};
  measurement.Render(samples, 4, kRenderHasInput);
  const TickMeasures tick = measurement.Take();
  EXPECT_EQ(tick.min_sample, -7.0f);
  EXPECT_EQ(tick.max_sample, 3.0f);
  EXPECT_EQ(tick.sample_sum, -7.0);
  const TickMeasures empty = measurement.Take();
  EXPECT_EQ(empty.min_sample, 0.0f);
  EXPECT_EQ(empty.max_sample, 0.0f);
  EXPECT_EQ(empty.sample_sum, 0.0);
  EXPECT_EQ(empty.power, tick.power) << "a take leaves the power alone";
}

TEST(Measurement, EmptyBlockChangesNothing) {
  Started started;
  Measurement& measurement = started.measurement;
  float samples[] = {4.0f, -2.0f};
  measurement.Render(samples, 2, kRenderHasInput);
  const double power = measurement.Power();
  EXPECT_TRUE(measurement.Render(samples, 0, kRenderHasInput));
  EXPECT_TRUE(measurement.Render(samples, 0, 0));
  EXPECT_FALSE(measurement.Render(samples, 0, 2));
  EXPECT_EQ(measurement.Power(), power);
  EXPECT_EQ(measurement.Take().sample_sum, 2.0);
}

TEST(Measurement, PowerSettlesOnTheMeanSquareAndDecaysByTheFeedback) {
  Started started;
  Measurement& measurement = started.measurement;
  const std::vector<float> full(44100 / 2, 32768.0f);
  measurement.Render(full.data(), static_cast<int>(full.size()), kRenderHasInput);
  EXPECT_NEAR(measurement.Power() / (32768.0 * 32768.0), 1.0, 1e-6);

  const double c = measurement.Filter().feedback;
  const double settled = measurement.Power();
  const std::vector<float> silence(10, 0.0f);
  measurement.Render(silence.data(), 10, kRenderHasInput);
  EXPECT_NEAR(measurement.Power(), settled * std::pow(c, 10), settled * 1e-12);
}

// The four-at-a-time loop must give each sample the very update a lone
// sample gets, so any split of a signal into blocks gives the measures of the
// formula, sample by sample.
TEST(Measurement, BlockSplitDoesNotChangeAMeasure) {
  std::vector<float> signal(103);
  for (std::size_t i = 0; i < signal.size(); ++i) signal[i] = std::sin(0.37 * i) * 20000.0f + 0.5f;
  const PowerFilter filter = PowerFilterFor(48000);
  double power = 0.0, sum = 0.0;
  float lowest = 0.0f, highest = 0.0f;
  for (float x : signal) {
    power = filter.feedback * power + filter.input_gain * static_cast<double>(x) * x;
    sum += x;
    lowest = std::min(lowest, x);
    highest = std::max(highest, x);
  }

  for (int block : {1, 2, 3, 4, 5, 7, 103}) {
    Started started(48000);
    Measurement& measurement = started.measurement;
    for (std::size_t at = 0; at < signal.size(); at += block) {
      const int n = static_cast<int>(std::min<std::size_t>(block, signal.size() - at));
      measurement.Render(signal.data() + at, n, kRenderHasInput);
    }
    const TickMeasures tick = measurement.Take();
    EXPECT_EQ(tick.power, power) << "blocks of " << block;
    EXPECT_EQ(tick.sample_sum, sum) << "blocks of " << block;
    EXPECT_EQ(tick.min_sample, lowest) << "blocks of " << block;
    EXPECT_EQ(tick.max_sample, highest) << "blocks of " << block;
  }
}

// A real audio thread against a taking thread: every sample lands in exactly
// one take.
TEST(Measurement, TakesSeeEverySampleExactlyOnceAcrossThreads) {
  Started started;
  Measurement& measurement = started.measurement;
  constexpr int kBlocks = 20000;
  constexpr int kBlock = 64;
  std::atomic<bool> finished{false};
  std::atomic<int> takes{0};

  std::thread audio([&] {
    std::vector<float> block(kBlock);
    for (int b = 0; b < kBlocks; ++b) {
      // A loaded machine may run this whole thread before the taker starts:
      // halfway, wait for a take, so takes meet blocks in flight.
      if (b == kBlocks / 2) {
        while (takes.load() == 0) std::this_thread::yield();
      }
      // Limits grow with time, so the last take must hold the last block's.
      block.assign(kBlock, 1.0f);
      block[0] = static_cast<float>(b + 2);
      block[1] = -static_cast<float>(b + 2);
      measurement.Render(block.data(), kBlock, kRenderHasInput);
    }
    finished.store(true);
  });

  double total = 0.0;
  float highest = 0.0f;
  float lowest = 0.0f;
  auto take = [&] {
    const TickMeasures tick = measurement.Take();
    total += tick.sample_sum;
    if (tick.max_sample != 0.0f) {
      EXPECT_GT(tick.max_sample, highest);
      highest = tick.max_sample;
      lowest = tick.min_sample;
    }
    EXPECT_EQ(tick.min_sample, -tick.max_sample) << "limits of the same blocks";
    takes.fetch_add(1);
  };
  while (!finished.load()) take();
  audio.join();
  take();
  EXPECT_EQ(total, static_cast<double>(kBlocks) * (kBlock - 2));
  EXPECT_EQ(highest, static_cast<float>(kBlocks + 1));
  EXPECT_EQ(lowest, -static_cast<float>(kBlocks + 1));
  EXPECT_GT(takes.load(), 1);
}

}  // namespace
}  // namespace varnok::analyzer
