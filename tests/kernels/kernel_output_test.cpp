// Digests of what the Chip channel and the Analyzer's measurement produced
// before their loops were tuned for speed. A tuning may move work around; it
// may not change one bit of a sample or a measure.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "analyzer/measurement.h"
#include "chip/chip_channel.h"
#include "chip/chip_machine.h"
#include "host/core/host_services.h"

namespace varnok {
namespace {

// FNV-1a over the bytes of each value.
class Digest {
 public:
  template <class T>
  void Add(T value) {
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    for (unsigned char byte : bytes) hash_ = (hash_ ^ byte) * 1099511628211ull;
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ull;
};

// Block lengths that reach the grouped and the one-at-a-time paths alike.
const int kBlocks[] = {1, 2, 3, 4, 5, 7, 64, 255, 256, 2048};

// Tables of its own, so the digest does not hang on the stand-in host's.
class NoiseTables final : public host::HostServicesBase {
 public:
  NoiseTables() {
    std::uint32_t state = 777;
    for (std::int16_t& sample : pulse_) {
      state = state * 1664525u + 1013904223u;
      sample = static_cast<std::int16_t>(state >> 16);
    }
  }
  float* MACHINE_CALL ScratchBuffer() override { return nullptr; }
  // Waveform 0 differs from waveform 1, so notes pick their levels.
  const std::int16_t* MACHINE_CALL OscillatorTable(int waveform) override {
    return waveform == 1 ? pulse_ : plain_;
  }

 private:
  std::int16_t pulse_[4096];
  std::int16_t plain_[4096] = {};
};

class ChipVoice {
 public:
  ChipVoice() {
    info_.sample_rate = 44100;
    machine_.host_info = &info_;
    machine_.host_services = &services_;
    machine_.Initialize(nullptr);
    channel_.Init(machine_, block_);
  }
  void Play(std::uint8_t note) {
    block_[0] = note;
    channel_.StartNote(block_);
  }
  chip::ChipChannel& channel() { return channel_; }

 private:
  std::uint8_t block_[4] = {0, 255, 255, 255};
  HostInfo info_{};
  NoiseTables services_;
  chip::ChipMachine machine_;
  chip::ChipChannel channel_;
};

// Every table level in reach of the note range, several widths, and the phase
// running on from note to note.
std::uint64_t ChipDigest() {
  ChipVoice voice;
  Digest digest;
  std::vector<float> out(2048);
  const std::uint8_t notes[] = {0x01, 0x25, 0x4A, 0x6C, 0x81, 0x9C};
  const std::uint8_t widths[] = {64, 1, 37, 100, 0, 128};
  for (std::uint8_t note : notes) {
    for (std::uint8_t width : widths) {
      voice.channel().SetPulseWidth(width);
      voice.Play(note);
      for (int block : kBlocks) {
        voice.channel().RenderInto(out.data(), block);
        for (int i = 0; i < block; ++i) digest.Add(out[i]);
      }
      digest.Add(voice.channel().phase());
    }
  }
  return digest.value();
}

TEST(KernelOutputTest, ChipChannelWaveIsUnchanged) {
  EXPECT_EQ(ChipDigest(), 14191780625425779187u);
}

// A rough signal within full level from a fixed linear congruence, DC and
// silence included.
std::vector<float> AnalyzerInput(std::size_t count) {
  std::vector<float> samples(count);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    const float noise = static_cast<float>(static_cast<std::int32_t>(state >> 16) - 32768);
    samples[i] = i % 3000 < 2000 ? noise : i % 3000 < 2500 ? 1000.5f : 0.0f;
  }
  return samples;
}

TEST(KernelOutputTest, AnalyzerMeasuresAreUnchanged) {
  const std::vector<float> input = AnalyzerInput(20000);
  analyzer::Measurement measurement;
  // Coefficients as literals: a runtime's cosine may differ in the last bit.
  measurement.Start({0.998576256, 0.001423744});
  Digest digest;
  std::size_t at = 0;
  for (int round = 0; round < 2; ++round) {
    for (int block : kBlocks) {
      ASSERT_TRUE(measurement.Render(input.data() + at, block, kRenderHasInput));
      at += block;
      digest.Add(measurement.Power());
      if (block % 2 == 1) {
        const analyzer::TickMeasures taken = measurement.Take();
        digest.Add(taken.power);
        digest.Add(taken.min_sample);
        digest.Add(taken.max_sample);
        digest.Add(taken.sample_sum);
      }
    }
  }
  const analyzer::TickMeasures last = measurement.Take();
  digest.Add(last.min_sample);
  digest.Add(last.max_sample);
  digest.Add(last.sample_sum);
  EXPECT_EQ(digest.value(), 16526566168867288098u);
}

}  // namespace
}  // namespace varnok
