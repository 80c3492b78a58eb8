// The feed must hand the meter every sample of the file once, in order, on the
// machines' scale, whatever the tick, while the meter overwrites what it is
// lent, as a machine rendering in place does; and give the meter's thread back
// every core it could run on.
#include "host/analyze/audio_feed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#if defined(__linux__)
#include <sched.h>
#endif

#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "host/audio/wav_codec.h"

namespace varnok::host {
namespace {

std::int16_t Sample(std::size_t i) { return static_cast<std::int16_t>(static_cast<int>(i % 65536) - 32768); }

std::string WriteRamp(std::size_t frames) {
  const std::string path = ::testing::TempDir() + "feed_ramp_" + std::to_string(getpid()) + ".wav";
  std::vector<std::int16_t> samples(frames);
  for (std::size_t i = 0; i < frames; ++i) samples[i] = Sample(i);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  wav::Encoder encoder(file, path, SampleFormat::kPcm16, 44100, frames);
  encoder.WritePcm16(samples.data(), samples.size());
  encoder.Finish();
  std::fclose(file);
  return path;
}

// The cores the calling thread may run on, where the system tells.
std::vector<int> CallerCores() {
  std::vector<int> cores;
#if defined(__linux__)
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return {-1};
  for (int core = 0; core < CPU_SETSIZE; ++core) {
    if (CPU_ISSET(core, &set)) cores.push_back(core);
  }
#endif
  return cores;
}

// A tick, and the frames of the file.
class FeedTicks : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(FeedTicks, LendEverySampleOnceInOrder) {
  const auto [tick, frames] = GetParam();
  const std::string path = WriteRamp(frames);
  MonoAudioReader reader(path);
  AudioSummary summary;
  std::vector<float> seen;
  const std::vector<int> cores_before = CallerCores();
  {
    AudioFeed feed(reader, summary, tick);
    std::size_t count = 0;
    while (float* samples = feed.Pull(tick, count)) {
      if (count == 0) break;
      seen.insert(seen.end(), samples, samples + count);
      std::fill(samples, samples + count, -1.0f);  // the machine's output
    }
  }
  std::remove(path.c_str());
  EXPECT_EQ(CallerCores(), cores_before);
  ASSERT_EQ(seen.size(), frames);
  for (std::size_t i = 0; i < frames; ++i) ASSERT_EQ(seen[i], Sample(i)) << "sample " << i;
  EXPECT_EQ(summary.Samples(), frames);
  EXPECT_DOUBLE_EQ(summary.Peak(), 1.0);
}

// One sample, a tick that fills a slot unevenly, one that fills it exactly,
// and one longer than a slot; a file the ring holds whole, read at once, and
// one that goes round the ring twice, read by a thread several slots at a time
// and ending inside such a read.
INSTANTIATE_TEST_SUITE_P(Sizes, FeedTicks,
                         ::testing::Combine(::testing::Values(1, 5292, 16384, 40000),
                                            ::testing::Values(150001, 600001)));

}  // namespace
}  // namespace varnok::host
