#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "testgen/note_frequencies.h"
#include "testgen/sine_channel.h"
#include "testgen/testgen_machine.h"

namespace varnok::testgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(NoteFrequencies, TellingRowsAndTheEdgesOfTheTable) {
  EXPECT_EQ(kNoteFrequencies.size(), 128u);
  EXPECT_FLOAT_EQ(kNoteFrequencies[0], 8.18f);
  EXPECT_FLOAT_EQ(kNoteFrequencies[12], 16.35f);
  EXPECT_FLOAT_EQ(kNoteFrequencies[60], 261.63f);
  EXPECT_FLOAT_EQ(kNoteFrequencies[69], 440.00f);
  EXPECT_FLOAT_EQ(kNoteFrequencies[127], 12543.85f);
  for (int n = 0; n < kNoteCount; ++n) {
    const double exact = 440.0 * std::pow(2.0, (n - 69) / 12.0);
    EXPECT_NEAR(kNoteFrequencies[n], exact, 0.005 + exact * 1e-7) << "note " << n;
  }
  // Past either end: the nearer end, never a read outside the table.
  EXPECT_EQ(NoteFrequency(131), kNoteFrequencies[127]);
  EXPECT_EQ(NoteFrequency(-1), kNoteFrequencies[0]);
}

// A channel of a real machine, which supplies the availability level (default -50 dB).
class SineChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { machine.sample_rate = 44100; }
  TestGenMachine machine;
  SineChannel& channel = machine.channels[20];
};

TEST_F(SineChannelTest, A440AtFullVelocityStartsWithTheKnownSamples) {
  channel.StartNote(69, 128);
  EXPECT_EQ(channel.amplitude, 32767.0);
  EXPECT_NEAR(channel.rotation_step, 0.0626791, 1e-7);
  float out[4];
  channel.RenderInto(out, 4);
  EXPECT_NEAR(out[0], -2053.81, 0.01);
  EXPECT_NEAR(out[1], -4099.54, 0.01);
  EXPECT_NEAR(out[2], -6129.18, 0.01);
  EXPECT_NEAR(out[3], -8134.73, 0.01);
}

// The rotation turns by theta = 2 pi f / rate a sample: s_n = -A sin(n theta) / cos(theta / 2),
// whose peak is 32783.1 for A = 32767 at 440 Hz.
TEST_F(SineChannelTest, BlocksOfAnySizeFollowTheExactSine) {
  const double theta = 2.0 * kPi * 440.0 / 44100.0;
  const double peak = 32767.0 / std::cos(theta / 2.0);
  EXPECT_NEAR(peak, 32783.1, 0.05);
  channel.StartNote(69, 128);
  float out[1000];
  channel.RenderInto(out, 1);
  channel.RenderInto(out + 1, 499);
  channel.RenderInto(out + 500, 500);
  for (int n = 1; n <= 1000; ++n) {
    ASSERT_NEAR(out[n - 1], -peak * std::sin(n * theta), 0.05) << "sample " << n;
  }
}

TEST_F(SineChannelTest, LevelFollowsVelocity) {
  channel.StartNote(60, 64);
  EXPECT_EQ(channel.amplitude, 16383.5);
  channel.StartNote(60, 0);
  float out[8];
  channel.RenderInto(out, 8);
  for (float sample : out) EXPECT_EQ(sample, 0.0f);
  channel.EndIfQuiet();
  EXPECT_FALSE(channel.active);
}

TEST_F(SineChannelTest, ReleasedChannelSoundsOnUnchangedUntilEnded) {
  channel.StartNote(69, 128);
  float first[64];
  channel.RenderInto(first, 64);
  channel.StartNote(69, 128);
  channel.Release();
  EXPECT_TRUE(channel.active);
  EXPECT_EQ(channel.amplitude, 0.0);
  float released[64];
  channel.RenderInto(released, 64);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(released[i], first[i]);
  channel.EndIfQuiet();
  EXPECT_FALSE(channel.active);
}

TEST_F(SineChannelTest, EndIfQuietEndsOnlyBelowTheAvailableLevel) {
  channel.StartNote(69, 128);
  channel.amplitude = machine.available_level;  // exactly at the level: still a note
  channel.EndIfQuiet();
  EXPECT_TRUE(channel.active);
  channel.amplitude = std::nextafter(machine.available_level, 0.0);
  channel.EndIfQuiet();
  EXPECT_FALSE(channel.active);
  EXPECT_EQ(channel.amplitude, 0.0);
}

// Near half the sample rate the rotation's peak grows without bound (B-7 at
// 8000 would peak at 1.7 million): it is held at twice the note's level.
TEST_F(SineChannelTest, NotesNearHalfTheRatePeakAtMostTwiceTheirLevel) {
  machine.sample_rate = 8000;
  float out[4000];
  for (int note : {90, 100, 107, 127}) {
    channel.StartNote(note, 128);
    channel.RenderInto(out, 4000);
    float peak = 0.0f;
    for (float sample : out) peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(peak, 2.0 * 32767.0 * 1.0001) << "note " << note;
    EXPECT_EQ(channel.amplitude, 32767.0) << "the level the allocator sees stays";
  }
  // A note at half the rate cannot turn: (next to) silence, not a blow-up.
  machine.sample_rate = 880;
  channel.StartNote(69, 128);
  channel.RenderInto(out, 4000);
  for (float sample : out) ASSERT_LT(std::fabs(sample), 1e-6f);
}

// Each group size the engine renders: every channel of a group gives exactly
// the samples it gives alone, note and level its own.
template <int N>
void ExpectSideBySideAsAlone(TestGenMachine& machine) {
  SineChannel* group[N];
  float outs[N][700];
  float* out_pointers[N];
  for (int j = 0; j < N; ++j) {
    group[j] = &machine.channels[j];
    group[j]->StartNote(12 + 7 * j, 128 - 5 * j);
    out_pointers[j] = outs[j];
  }
  SineChannel alone[N];
  for (int j = 0; j < N; ++j) alone[j] = *group[j];
  SineChannel::RenderSideBySide<N>(group, out_pointers, 700);
  for (int j = 0; j < N; ++j) {
    float expected[700];
    alone[j].RenderInto(expected, 700);
    for (int i = 0; i < 700; ++i) ASSERT_EQ(outs[j][i], expected[i]) << N << " " << j << " " << i;
  }
}

TEST_F(SineChannelTest, SideBySideEachChannelPlaysAsAlone) {
  ExpectSideBySideAsAlone<2>(machine);
  ExpectSideBySideAsAlone<4>(machine);
  ExpectSideBySideAsAlone<8>(machine);
  ExpectSideBySideAsAlone<16>(machine);
}

TEST(SineChannelControls, ConvertControlScalesOnlyTheFirst) {
  EXPECT_EQ(SineChannel::ConvertControl(0, 128), 1.0);
  EXPECT_EQ(SineChannel::ConvertControl(0, 64), 0.5);
  EXPECT_EQ(SineChannel::ConvertControl(1, 64), 64.0);
  EXPECT_EQ(SineChannel::ConvertControl(2, 0), 0.0);
}

}  // namespace
}  // namespace varnok::testgen
