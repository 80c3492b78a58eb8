#include "host/song/song_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varnok::host {
namespace {

Song Parse(const std::string& text) { return ParseSong(text, "t.song", "/songs"); }

std::string ErrorOf(const std::string& text) {
  try {
    Parse(text);
  } catch (const SongError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(SongParser, ReadsEveryKindOfLine) {
  const Song song = Parse(R"(# a comment line
tempo 140
ticks-per-beat 6   # trailing comment
sample-rate 48000
machine lead "Varnok's Pulse" tracks 3
machine meter ../meter.so
attribute lead "Dynamic Channels" 8
volume meter 40
state meter 0A ff
route lead -> meter -> master
pattern lead intro 4
C#4 40 | off
.
end
sequence lead intro intro*2
key lead 5 on C-4 100
key lead 9 off 61
)");
  EXPECT_EQ(song.beats_per_minute, 140);
  EXPECT_EQ(song.ticks_per_beat, 6);
  EXPECT_EQ(song.sample_rate, 48000);
  ASSERT_EQ(song.machines.size(), 2u);
  EXPECT_EQ(song.machines[0].plugin.text, "Varnok's Pulse");
  EXPECT_EQ(song.machines[0].tracks, 3);
  EXPECT_FALSE(song.machines[1].tracks.has_value());
  ASSERT_EQ(song.machines[0].attributes.size(), 1u);
  EXPECT_EQ(song.machines[0].attributes[0].name.text, "Dynamic Channels");
  EXPECT_EQ(song.machines[0].attributes[0].value, 8);
  EXPECT_EQ(song.machines[1].state, (std::vector<std::uint8_t>{0x0A, 0xFF}));
  EXPECT_EQ(song.machines[0].volume_percent, 100);
  EXPECT_EQ(song.machines[1].volume_percent, 40);

  ASSERT_EQ(song.routes.size(), 2u);
  EXPECT_EQ(song.routes[0].from, 0);
  EXPECT_EQ(song.routes[0].to, 1);
  EXPECT_EQ(song.routes[1].to, kToMaster);

  ASSERT_EQ(song.patterns.size(), 1u);
  const Pattern& intro = song.patterns[0];
  EXPECT_EQ(intro.length, 4);
  ASSERT_EQ(intro.rows.size(), 2u);
  ASSERT_EQ(intro.rows[0].groups.size(), 2u);
  EXPECT_EQ(intro.rows[0].groups[0][0].text, "C#4");  // '#' inside a word is no comment
  EXPECT_EQ(intro.rows[0].groups[1][0].place.column, 10);
  ASSERT_EQ(song.sequences[0].size(), 2u);
  EXPECT_EQ(song.sequences[0][1].repeat, 2);
  EXPECT_TRUE(song.sequences[1].empty());

  ASSERT_EQ(song.keys.size(), 2u);
  EXPECT_EQ(song.keys[0].tick, 5);
  EXPECT_EQ(song.keys[0].note, 60);
  EXPECT_EQ(song.keys[0].velocity, 100);
  EXPECT_EQ(song.keys[1].note, 61);
  EXPECT_EQ(song.keys[1].velocity, 0);
}

TEST(SongParser, DefaultsWhenTheHeaderIsLeftOut) {
  const Song song = Parse("");
  EXPECT_EQ(song.beats_per_minute, 125);
  EXPECT_EQ(song.ticks_per_beat, 4);
  EXPECT_EQ(song.sample_rate, 44100);
}

struct BadSong {
  const char* text;
  const char* message;
};

class SongParserErrors : public ::testing::TestWithParam<BadSong> {};

TEST_P(SongParserErrors, NameThePlaceAndWhatWasExpected) {
  EXPECT_EQ(ErrorOf(GetParam().text), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Each, SongParserErrors,
    ::testing::Values(
        BadSong{"bogus 1",
                "t.song:1:1: expected tempo, ticks-per-beat, sample-rate, machine, attribute, "
                "volume, state, route, pattern, sequence or key, got 'bogus'"},
        BadSong{"tempo fast", "t.song:1:7: expected beats per minute from 1 to 999, got 'fast'"},
        BadSong{"tempo 0", "t.song:1:7: expected beats per minute from 1 to 999, got '0'"},
        BadSong{"tempo 120\n\ntempo 90", "t.song:3:1: a second 'tempo' line; the song's one is on line 1"},
        BadSong{"sample-rate 8000\nsample-rate 8000",
                "t.song:2:1: a second 'sample-rate' line; the song's one is on line 1"},
        BadSong{"sample-rate 44100 x", "t.song:1:19: unexpected 'x'; the form is: sample-rate HZ"},
        BadSong{"machine a \"x", "t.song:1:11: this quote is never closed"},
        BadSong{"machine a x tracks", "t.song:1:19: expected a track count here"},
        BadSong{"machine master x", "t.song:1:9: expected a machine name of letters, digits, '_' "
                                    "and '-' (not 'master'), got 'master'"},
        BadSong{"machine a x\nmachine a y", "t.song:2:9: machine 'a' is already placed on line 1"},
        BadSong{"attribute b \"X\" 1",
                "t.song:1:11: unknown machine 'b'; place it first with 'machine b PLUGIN'"},
        BadSong{"machine a x\nstate a 1", "t.song:2:9: expected a stored byte as two hex digits, got '1'"},
        BadSong{"machine a x\nroute a => master", "t.song:2:9: expected '->', got '=>'"},
        BadSong{"machine a x\nroute a -> a", "t.song:2:12: machine 'a' cannot feed itself"},
        BadSong{"machine a x\npattern a p 2\n.\n.\n.\nend",
                "t.song:5:1: pattern 'p' has 2 rows; expected 'end' here"},
        BadSong{"machine a x\npattern a p 2\n.",
                "t.song:2:11: pattern 'p' is never closed; expected 'end' after its rows"},
        BadSong{"machine a x\npattern a p 1\nend\npattern a p 1\nend",
                "t.song:4:11: pattern 'p' of 'a' is already written on line 2"},
        BadSong{"machine a x\nsequence a q", "t.song:2:12: machine 'a' has no pattern 'q'"},
        BadSong{"machine a x\npattern a p 1\nend\nsequence a p*0",
                "t.song:4:14: expected a repeat count from 1 to 256, got '0'"},
        BadSong{"machine a x\nkey a 3 on H-4 100",
                "t.song:2:12: expected a note like C-4 or a number 0..127, got 'H-4'"},
        BadSong{"machine a x\nkey a 3 on A-9 100",
                "t.song:2:12: note 'A-9' is above the keyboard's highest, G-9"},
        BadSong{"machine a x\nkey a 3 on C-4 0",
                "t.song:2:16: expected a velocity from 1 to 127, got '0'"},
        BadSong{"machine a x\nkey a 3 up C-4", "t.song:2:9: expected 'on' or 'off', got 'up'"},
        // What looks like a space or a line end, and is neither.
        BadSong{"tempo 120\rticks-per-beat 4",
                "t.song:1:10: a carriage return (U+000D) inside a line; a line ends with a line feed"},
        BadSong{"tempo\xC2\xA0" "120", "t.song:1:6: a no-break space (U+00A0); write a plain space"},
        BadSong{"tempo 120\xC2\x85tempo 90",
                "t.song:1:10: a next-line character (U+0085); a line ends with a line feed"},
        // A runaway word is cut to a readable length.
        BadSong{"tempo 0123456789012345678901234567890123456789x",
                "t.song:1:7: expected beats per minute from 1 to 999, "
                "got '0123456789012345678901234567890123456789...' (41 bytes)"}));

}  // namespace
}  // namespace varnok::host
