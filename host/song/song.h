// A song as written in its file: what is placed, how it is routed, what it plays.
// Pattern cells stay words here; they take meaning from the plug-in's description
// (see song_binding.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/song/song_error.h"

namespace varnok::host {

struct Word {
  std::string text;
  Place place;
};

inline constexpr const char* kMasterName = "master";

struct AttributeSetting {
  Word name;
  int value = 0;
  Place value_place;
};

struct MachinePlacement {
  Word name;
  Word plugin;                 // a file, relative to the song, or a plug-in's name
  std::optional<int> tracks;   // unset: the plug-in's fewest
  Place tracks_place;
  std::vector<AttributeSetting> attributes;
  std::optional<std::vector<std::uint8_t>> state;  // handed to Initialize
  int volume_percent = 100;  // scales the machine's output wherever it goes
};

struct Route {
  int from = 0;  // machine index
  int to = 0;    // machine index, or kToMaster
  Place place;
};
inline constexpr int kToMaster = -1;

// One row: column groups separated by '|'; cells left out at the end are empty.
struct PatternRow {
  std::vector<std::vector<Word>> groups;
  std::vector<Place> separators;  // the '|' before group i + 1
};

struct Pattern {
  int machine = 0;
  Word name;
  int length = 0;  // rows; rows not written are empty
  std::vector<PatternRow> rows;
};

struct SequenceStep {
  int pattern = 0;  // index into Song::patterns
  int repeat = 1;   // times in a row
};

struct KeyEvent {
  int machine = 0;
  int tick = 0;
  int note = 0;      // keyboard note number, 0..127
  int velocity = 0;  // 0: note off
};

// The tempo of a song that names none, and of a file measured without a song.
inline constexpr int kDefaultBeatsPerMinute = 125;
inline constexpr int kDefaultTicksPerBeat = 4;

struct Song {
  std::string file;    // as named to the reader, for messages
  std::string folder;  // where relative plug-in files are looked up
  int beats_per_minute = kDefaultBeatsPerMinute;
  int ticks_per_beat = kDefaultTicksPerBeat;
  int sample_rate = 44100;
  std::vector<MachinePlacement> machines;
  std::vector<Route> routes;
  std::vector<Pattern> patterns;
  std::vector<std::vector<SequenceStep>> sequences;  // one per machine
  std::vector<KeyEvent> keys;                         // in file order
};

}  // namespace varnok::host
