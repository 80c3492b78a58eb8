#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "host/core/host_services.h"
#include "host/core/oscillator_tables.h"

namespace varnok::host {
namespace {

constexpr double kPi = 3.14159265358979323846;

double PartialMagnitude(const std::int16_t* level, int length, int partial) {
  std::complex<double> sum = 0.0;
  for (int n = 0; n < length; ++n) {
    sum += static_cast<double>(level[n]) * std::polar(1.0, -2.0 * kPi * partial * n / length);
  }
  return std::abs(sum) * 2.0 / length;
}

// Nothing at half a level's length, and each level carries the partials of the
// level above it that fit: a shorter level is the same wave with fewer partials.
TEST(OscillatorTables, EveryLevelIsBandLimited) {
  for (int waveform : {kSineWaveform, kSawWaveform}) {
    const OscillatorTable table = BuildOscillatorTable(waveform);
    for (int level = 0; level < 10; ++level) {
      const int length = OscillatorLevelLength(level);
      const std::int16_t* samples = table.data() + OscillatorLevelStart(level);
      const double fundamental = PartialMagnitude(samples, length, 1);
      EXPECT_LT(PartialMagnitude(samples, length, length / 2), 2.0)
          << "waveform " << waveform << " level " << level;
      if (level == 0) continue;
      const std::int16_t* above = table.data() + OscillatorLevelStart(level - 1);
      EXPECT_NEAR(fundamental, PartialMagnitude(above, length * 2, 1), fundamental * 0.001)
          << "waveform " << waveform << " level " << level;
    }
  }
}

TEST(OscillatorTables, SawFallsByFullRangeOverOneCycle) {
  const OscillatorTable saw = BuildOscillatorTable(kSawWaveform);
  // Level 0: high just after the jump, low just before it, zero half way.
  EXPECT_GT(saw[64], 30000);
  EXPECT_LT(saw[2047 - 64], -30000);
  EXPECT_NEAR(saw[1023] + saw[1024], 0, 2);
  // Its fundamental is the ideal sawtooth's, 65536 / pi, less the common scale.
  EXPECT_NEAR(PartialMagnitude(saw.data(), 2048, 1), 0.978 * 65536.0 / kPi, 65536.0 / kPi * 0.01);
}

TEST(OscillatorTables, SineHasFullPeakOnLargeLevels) {
  const OscillatorTable sine = BuildOscillatorTable(kSineWaveform);
  EXPECT_EQ(sine[512], 32767);
  EXPECT_EQ(sine[1536], -32767);
}

// Every sample the machines read, pinned by digest (FNV-1a over the 16-bit
// values): a faster way to build the tables must not move a single one.
TEST(OscillatorTables, HoldTheSameSamplesToTheLastBit) {
  const auto digest = [](const OscillatorTable& table) {
    std::uint32_t hash = 2166136261u;
    for (std::int16_t v : table) hash = (hash ^ static_cast<std::uint16_t>(v)) * 16777619u;
    return hash;
  };
  EXPECT_EQ(digest(BuildOscillatorTable(kSineWaveform)), 0xb12fa0bdu);
  EXPECT_EQ(digest(BuildOscillatorTable(kSawWaveform)), 0x10a83415u);
}

TEST(StandInHostServices, HandsOutStableTablesAndAScratchBuffer) {
  StandInHostServices services;
  HostServices& table = services;  // machines call through the slots
  EXPECT_EQ(table.OscillatorTable(1), table.OscillatorTable(1));
  EXPECT_NE(table.OscillatorTable(0), table.OscillatorTable(1));
  EXPECT_NE(table.ScratchBuffer(), nullptr);
  table.ScratchBuffer()[kMaxBlock - 1] = 1.0f;  // the largest block fits
}

TEST(HostInfo, TimingFollowsTempo) {
  const HostInfo info = MakeHostInfo(44100, 125, 4);
  EXPECT_EQ(info.sample_rate, 44100);
  EXPECT_EQ(info.samples_per_tick, 5292);
}

}  // namespace
}  // namespace varnok::host
