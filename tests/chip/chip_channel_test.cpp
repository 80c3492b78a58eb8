#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <vector>

#include "chip/chip_channel.h"
#include "chip_rig.h"

namespace varnok::chip {
namespace {

TEST(ChipTables, HoldTheFourDecimalSemitonesAndPowersOfTwo) {
  const double semitones[12] = {130.8127, 138.5913, 146.8324, 155.5635, 164.8138, 174.6141,
                                184.9972, 195.9977, 207.6523, 220.0,    233.0819, 246.9417};
  for (int s = 0; s < 12; ++s) EXPECT_EQ(kSemitoneFrequencies[s], semitones[s]) << s;
  for (int o = 0; o < 10; ++o) EXPECT_EQ(kOctaveFactors[o], std::ldexp(1.0, o - 4)) << o;
}

TEST(ChipLevels, FirstSampleOfEachLevelAndLevel11SharingLevel10s) {
  const int first[12] = {0, 2048, 3072, 3584, 3840, 3968, 4032, 4064, 4080, 4088, 4092, 4092};
  for (int level = 0; level <= 11; ++level) EXPECT_EQ(LevelFirstSample(level), first[level]);
}

TEST(ChipLevels, StepPicksTheShortestLevelThatKeepsTheStepAtMostOne) {
  EXPECT_EQ(LevelForStep(0.379683), 0);
  EXPECT_EQ(LevelForStep(0.5), 0);  // the bare rule would give -1
  EXPECT_EQ(LevelForStep(0.75), 0);
  EXPECT_EQ(LevelForStep(1.0), 0);
  EXPECT_EQ(LevelForStep(1.0001), 1);
  EXPECT_EQ(LevelForStep(2.0), 1);
  EXPECT_EQ(LevelForStep(10.21678), 4);
  EXPECT_EQ(LevelForStep(1024.0), 10);
  EXPECT_EQ(LevelForStep(2048.0), 11);
  EXPECT_EQ(LevelForStep(2049.0), 11);  // above the sample rate: no level beyond the last
  EXPECT_EQ(LevelForStep(1e9), 11);
}

TEST(ChipChannelNotes, PitchLevelAndOffsetsAt44100) {
  ChipRig rig(44100);
  const ChipChannel& channel = rig.machine.channels[0];
  const std::int16_t* table = rig.host.pulse.data();

  rig.Tick(0, 0x01);
  EXPECT_NEAR(channel.step, 0.379683, 1e-6);
  EXPECT_EQ(channel.mip_level, 0);
  EXPECT_EQ(channel.level_samples, table);
  EXPECT_EQ(channel.index_mask, 2047);
  EXPECT_EQ(channel.pulse_offset, 1024);
  EXPECT_EQ(channel.dc_offset, 0.0);

  rig.Tick(0, 0x4A);
  EXPECT_EQ(channel.mip_level, 4);
  EXPECT_EQ(channel.level_samples, table + 3840);
  EXPECT_EQ(channel.index_mask, 127);
  EXPECT_NEAR(channel.step * 16, 10.216780, 1e-6);
  EXPECT_NEAR(channel.step, 0.638549, 1e-6);
  EXPECT_EQ(channel.pulse_offset, 64);

  rig.Tick(0, 0x9C);
  EXPECT_EQ(channel.mip_level, 9);
  EXPECT_EQ(channel.level_samples, table + 4088);
  EXPECT_EQ(channel.index_mask, 3);
  EXPECT_NEAR(channel.step * 512, 366.974, 1e-3);
  EXPECT_NEAR(channel.step, 0.716747, 1e-6);
  EXPECT_EQ(channel.pulse_offset, 2);
}

TEST(ChipChannelNotes, ANoteAboveLevel10LeavesOnlyTheConstant) {
  ChipRig rig(11025);
  rig.Tick(0, 0x9C, 32);  // width 0.25
  const ChipChannel& channel = rig.machine.channels[0];
  EXPECT_EQ(channel.mip_level, 11);
  EXPECT_EQ(channel.level_samples, rig.host.pulse.data() + 4092);
  EXPECT_EQ(channel.index_mask, 0);
  for (float sample : rig.Render(100)) ASSERT_EQ(sample, 16384.0f);
}

TEST(ChipChannelNotes, AHostWithOneTablePlaysEveryNoteOnLevel0) {
  ChipRig rig(44100);
  rig.host.one_table = true;
  rig.machine.Initialize(nullptr);
  rig.machine.SetTrackCount(1);
  rig.machine.ApplyAttributes();
  rig.Tick(0, 0x9C);
  const ChipChannel& channel = rig.machine.channels[0];
  EXPECT_EQ(channel.mip_level, 0);
  EXPECT_EQ(channel.index_mask, 2047);
  EXPECT_NEAR(channel.step, 366.974, 1e-3);
}

TEST(ChipChannelWave, WidthsZeroAndOneGiveFullScaleWhateverTheTable) {
  for (int note : {0x01, 0x4A, 0x9C}) {
    ChipRig rig(44100);
    rig.Tick(0, static_cast<std::uint8_t>(note), 0);
    for (float sample : rig.Render(300)) ASSERT_EQ(sample, 32768.0f) << note;
    rig.Tick(0, 0, 128);
    for (float sample : rig.Render(300)) ASSERT_EQ(sample, -32768.0f) << note;
  }
}

// Blocks of every length up to 7 reach the grouped and the one-at-a-time
// paths of the loop alike.
TEST(ChipChannelWave, EverySampleIsTheInterpolatedDifferenceUnderDownwardRounding) {
  for (int note : {0x01, 0x37, 0x4A, 0x7B, 0x9C}) {
    for (int width : {1, 45, 64, 100, 127}) {
      ChipRig rig(48000);
      rig.Tick(0, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(width));
      ReferenceVoice reference(rig.machine.channels[0]);
      std::vector<float> rendered;
      for (int block : {1, 2, 3, 4, 5, 6, 7, 255, 256, 1461}) {
        const std::vector<float> part = rig.Render(block);
        rendered.insert(rendered.end(), part.begin(), part.end());
      }
      ASSERT_EQ(rendered, reference.Render(2000)) << note << " " << width;
    }
  }
}

TEST(ChipChannelWave, RestoresTheCallersRoundingAndIgnoresIt) {
  std::vector<float> outputs[2];
  const int modes[2] = {FE_UPWARD, FE_TONEAREST};
  for (int i = 0; i < 2; ++i) {
    ChipRig rig(44100);
    rig.Tick(0, 0x4A, 40);
    ASSERT_EQ(std::fesetround(modes[i]), 0);
    outputs[i] = rig.Render(1);
    const auto rest = rig.Render(999);
    outputs[i].insert(outputs[i].end(), rest.begin(), rest.end());
    EXPECT_EQ(std::fegetround(), modes[i]);
    std::fesetround(FE_TONEAREST);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(ChipChannelWave, ANewNoteRunsOnFromThePhaseWhereTheLastStopped) {
  ChipRig rig(44100);
  rig.Tick(0, 0x4A);
  rig.Render(777);
  const double phase = rig.machine.channels[0].phase;
  EXPECT_GT(phase, 0.0);
  rig.Tick(0, 0x21);  // another level: the phase is read in its samples
  EXPECT_EQ(rig.machine.channels[0].phase, phase);
  ReferenceVoice reference(rig.machine.channels[0]);
  EXPECT_EQ(rig.Render(500), reference.Render(500));
}

TEST(ChipChannelWave, AWidthChangeOnASoundingNoteTakesTheNextBlock) {
  ChipRig rig(44100);
  rig.Tick(0, 0x4A);
  rig.Render(100);
  rig.Tick(0, 0, 255, 0);
  EXPECT_TRUE(rig.machine.channels[0].active);
  EXPECT_EQ(rig.machine.channels[0].pulse_width, 0.0);
  for (float sample : rig.Render(50)) ASSERT_EQ(sample, 32768.0f);
}

// Notes over every table level, for channels side by side.
constexpr std::uint8_t kGroupNotes[] = {0x01, 0x15, 0x27, 0x3A, 0x4C, 0x52, 0x64, 0x76,
                                        0x88, 0x99, 0x9C, 0x23, 0x45, 0x67, 0x89, 0x31};

// Each group size the engine renders: every channel of a group gives exactly
// the written-down wave of its own note and width.
template <int N>
void ExpectSideBySideAsWritten() {
  ChipRig rig(44100, kMaxTracks);
  std::vector<ReferenceVoice> references;
  ChipChannel* group[N];
  std::vector<float> outs[N];
  float* out_pointers[N];
  for (int j = 0; j < N; ++j) {
    rig.Tick(j, kGroupNotes[j], static_cast<std::uint8_t>(8 * j));
    group[j] = &rig.machine.channels[j];
    outs[j].assign(1461, 0.0f);
    out_pointers[j] = outs[j].data();
  }
  for (int j = 0; j < N; ++j) references.emplace_back(*group[j]);
  {
    const ChipChannel::RenderScope rounding;
    ChipChannel::RenderSideBySide<N>(group, out_pointers, 1461);
  }
  for (int j = 0; j < N; ++j) EXPECT_EQ(outs[j], references[j].Render(1461)) << N << " " << j;
}

TEST(ChipChannelWave, SideBySideEachChannelPlaysItsOwnWave) {
  ExpectSideBySideAsWritten<2>();
  ExpectSideBySideAsWritten<4>();
  ExpectSideBySideAsWritten<8>();
  ExpectSideBySideAsWritten<16>();
}

// Same-table host, low rate: a step near 2000 drives the phase past the wrap
// point in under a million samples.
TEST(ChipChannelPhase, StaysBoundedAndChangesNoSampleOfAnUnwrappedRun) {
  ChipRig rig(8000);
  rig.host.one_table = true;
  rig.machine.Initialize(nullptr);
  rig.machine.SetTrackCount(1);
  rig.machine.ApplyAttributes();
  rig.Tick(0, 0x9C, 45);
  ReferenceVoice reference(rig.machine.channels[0]);
  const double k31 = 2147483648.0;
  int block = 0;
  // Compare for as long as the unwrapped phase itself is still exact.
  while (reference.phase + 8192 * reference.step < k31) {
    const int count = 1 + (block++ * 997) % 8192;
    ASSERT_EQ(rig.Render(count), reference.Render(count)) << "phase " << reference.phase;
  }
  EXPECT_LT(rig.machine.channels[0].phase, reference.phase);
  for (int i = 0; i < 400; ++i) rig.Render(8192);
  EXPECT_GE(rig.machine.channels[0].phase, 0.0);
  EXPECT_LT(rig.machine.channels[0].phase, k31 - 8192 * reference.step);
}

}  // namespace
}  // namespace varnok::chip
