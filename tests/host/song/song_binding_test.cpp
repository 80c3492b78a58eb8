#include "host/song/song_binding.h"

#include <gtest/gtest.h>

#include "host/song/song_parser.h"

namespace varnok::host {
namespace {

// One global byte, then per track a note and a byte: the shape of a small generator.
const ParamDescriptor kLevel = {kByteParam, "Level", "Level", 0, 0xFE, kNoValue, kByteParamFlags, 0};
const ParamDescriptor kNote = {kNoteParam, "Note", "Note", 1, 156, kNoNote, kNoteParamFlags, 0};
const ParamDescriptor kVolume = {kByteParam, "Volume", "Volume", 0, 0x80, kNoValue, kByteParamFlags, 0};
const ParamDescriptor* const kParams[] = {&kLevel, &kNote, &kVolume};
const AttributeDescriptor kAlpha = {"Alpha", 0, 100, 5};
const AttributeDescriptor kBeta = {"Beta", -10, 10, 0};
const AttributeDescriptor* const kAttributes[] = {&kAlpha, &kBeta};
const MachineDescription kSynth = {1, 12, 0, 1, 4, 1, 2, kParams, 2, kAttributes,
                                   "Test Synth", "Synth", "t", nullptr};
const MachineDescription kMeter = {1, 12, 0, 0, 0, 0, 0, nullptr, 0, nullptr,
                                   "Test Meter", "Meter", "t", nullptr};

BoundSong Bind(const std::string& text) {
  const Song song = ParseSong(text, "t.song", "/songs");
  std::vector<const MachineDescription*> descriptions;
  for (const MachinePlacement& m : song.machines) {
    descriptions.push_back(m.plugin.text == "meter" ? &kMeter : &kSynth);
  }
  return BindSong(song, descriptions);
}

std::string ErrorOf(const std::string& text) {
  try {
    Bind(text);
  } catch (const SongError& error) {
    return error.what();
  }
  return "(no error)";
}

using Bytes = std::vector<std::uint8_t>;

Bytes FrameAt(const BoundMachine& m, int tick) {
  const std::uint8_t* f = m.Frame(tick);
  return Bytes(f, f + m.empty_frame.size());
}

TEST(SongBinding, LaysOutEachTickAsTheValueBlocksHoldIt) {
  const BoundSong song = Bind(R"(
machine s synth tracks 2
pattern s p 4
7F | C-4 40 | off ..
.
.. | ... .. | C#4
end
sequence s p*2
)");
  const BoundMachine& s = song.machines[0];
  EXPECT_EQ(s.global_bytes, 1);
  EXPECT_EQ(s.track_bytes, 4);
  EXPECT_EQ(s.tick_count, 8);
  EXPECT_EQ(song.length_ticks, 8);
  const Bytes empty = {0xFF, 0x00, 0xFF, 0x00, 0xFF};  // byte: no_value, note: 0
  EXPECT_EQ(FrameAt(s, 0), (Bytes{0x7F, 0x41, 0x40, 0xFF, 0xFF}));
  EXPECT_EQ(FrameAt(s, 1), empty);
  EXPECT_EQ(FrameAt(s, 2), (Bytes{0xFF, 0x00, 0xFF, 0x42, 0xFF}));  // cells left out are empty
  EXPECT_EQ(FrameAt(s, 3), empty);                                  // rows left out are empty
  EXPECT_EQ(FrameAt(s, 4), FrameAt(s, 0));                          // the pattern again
  EXPECT_EQ(FrameAt(s, 8), empty);                                  // after the sequence
}

TEST(SongBinding, TakesAttributeDefaultsAndTheFewestTracksUnlessTold) {
  const BoundSong song = Bind("machine a synth\nmachine b synth tracks 4\nattribute b \"Beta\" -10\nkey a 0 off 0\n");
  EXPECT_EQ(song.machines[0].tracks, 1);
  EXPECT_EQ(song.machines[0].attributes, (std::vector<std::int32_t>{5, 0}));
  EXPECT_EQ(song.machines[1].tracks, 4);
  EXPECT_EQ(song.machines[1].attributes, (std::vector<std::int32_t>{5, -10}));
}

TEST(SongBinding, RoutesUnroutedMachinesToTheMasterAndOrdersInputsFirst) {
  const BoundSong song = Bind(R"(
machine fx meter
machine a synth
machine b synth
route a -> fx -> master
route b -> fx
route b -> master
key a 0 off 0
)");
  EXPECT_EQ(song.machines[0].inputs, (std::vector<int>{1, 2}));
  EXPECT_TRUE(song.machines[0].to_master);
  EXPECT_FALSE(song.machines[1].to_master);
  EXPECT_TRUE(song.machines[2].to_master);
  EXPECT_EQ(song.render_order, (std::vector<int>{1, 2, 0}));
}

TEST(SongBinding, SortsKeysByTickAndLetsTheLastOneSetTheLength) {
  const BoundSong song = Bind("machine a synth\nkey a 9 on 60 1\nkey a 2 on 61 1\nkey a 9 off 60\n");
  const auto& keys = song.machines[0].keys;
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].tick, 2);
  EXPECT_EQ(keys[1].velocity, 1);  // file order within a tick
  EXPECT_EQ(keys[2].velocity, 0);
  EXPECT_EQ(song.length_ticks, 10);
}

struct BadSong {
  const char* text;
  const char* message;
};

class SongBindingErrors : public ::testing::TestWithParam<BadSong> {};

TEST_P(SongBindingErrors, NameThePlaceAndWhatWasExpected) {
  EXPECT_EQ(ErrorOf(GetParam().text), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Each, SongBindingErrors,
    ::testing::Values(
        BadSong{"machine s synth\npattern s p 1\n.. | H-4\nend",
                "t.song:3:6: expected a note like C-4 or 'off', got 'H-4'"},
        BadSong{"machine s synth\npattern s p 1\n.. | C-4 81\nend",
                "t.song:3:10: expected Volume as two hex digits 00..80 or '..', got '81'"},
        BadSong{"machine s synth\npattern s p 1\n4\nend",
                "t.song:3:1: expected Level as two hex digits 00..FE or '..', got '4'"},
        BadSong{"machine s synth\npattern s p 1\n.. .. | C-4\nend",
                "t.song:3:4: expected '|' after the columns of the global group (Level), got '..'"},
        BadSong{"machine s synth tracks 2\npattern s p 1\n.. | C-4 .. | C-4 .. ..\nend",
                "t.song:3:22: expected the end of the row after the columns of track 1 (Note Volume), "
                "got '..'"},
        BadSong{"machine s synth tracks 2\npattern s p 1\n.. | C-4 | C-4 ..\nend",
                "t.song:3:10: expected 2 columns for track 0 (Note Volume), got 1"},
        BadSong{"machine s synth\npattern s p 1\n.. | C-4 .. | C-4\nend",
                "t.song:3:13: 's' has 2 column groups, expected the end of the row"},
        BadSong{"machine s synth tracks 5",
                "t.song:1:24: expected a track count from 1 to 4 for Test Synth, got 5"},
        BadSong{"machine s synth\nattribute s \"Gamma\" 1",
                "t.song:2:13: Test Synth has no attribute \"Gamma\"; it has \"Alpha\", \"Beta\""},
        BadSong{"machine s synth\nattribute s \"Beta\" 11",
                "t.song:2:20: expected a value from -10 to 10 for 'Beta', got 11"},
        BadSong{"machine m meter\nattribute m \"X\" 1",
                "t.song:2:13: Test Meter has no attribute \"X\"; it has none"},
        BadSong{"machine a meter\nmachine b meter\nroute a -> b\nroute b -> a",
                "t.song:3:9: this route closes a loop between 'a' and 'b'; expected signals to "
                "flow one way to the master"}));

}  // namespace
}  // namespace varnok::host
