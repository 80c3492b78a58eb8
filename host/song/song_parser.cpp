#include "host/song/song_parser.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "host/song/note_name.h"
#include "host/song/song_limits.h"
#include "host/song/song_words.h"

namespace varnok::host {
namespace {

// Editors may start UTF-8 text with a byte-order mark.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// More digits than any limit needs, few enough for a 64-bit value.
constexpr std::size_t kMostDigits = 18;

using Words = std::vector<Word>;

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7F;
}

class SongReader {
 public:
  SongReader(const std::string& file, const std::string& folder) {
    song_.file = file;
    song_.folder = folder;
  }

  Song Read(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
      ++line_number_;
      RefuseControlCharacters(line);
      Words words = SplitWords(song_.file, line, line_number_);
      if (open_pattern_ != nullptr) {
        ReadPatternLine(words);
      } else if (!words.empty()) {
        ReadDirective(words);
      }
    }
    if (open_pattern_ != nullptr) {
      Fail(open_pattern_->name.place,
           "pattern " + Quoted(open_pattern_->name.text) + " is never closed; expected 'end' after its rows");
    }
    ResolveSequences();
    RefuseOverlongSong();
    return std::move(song_);
  }

 private:
  struct PendingStep {
    int machine;
    Word pattern;
    int repeat;
  };

  [[noreturn]] void Fail(Place place, const std::string& what) const {
    throw SongError(song_.file, place, what);
  }

  // A song has one tempo, one tick length and one rate: a second line would
  // silently set the whole song, not only what follows it.
  void SetOnce(const Word& keyword, int& first_line) {
    if (first_line != 0) {
      Fail(keyword.place, "a second " + Quoted(keyword.text) + " line; the song's one is on line " +
                          std::to_string(first_line));
    }
    first_line = keyword.place.line;
  }

  Place EndOf(const Words& words) const {
    const Word& last = words.back();
    return {last.place.line, last.place.column + static_cast<int>(last.text.size())};
  }

  const Word& Expect(const Words& words, std::size_t index, const std::string& what) const {
    if (index >= words.size()) Fail(EndOf(words), "expected " + what + " here");
    return words[index];
  }

  void ExpectEnd(const Words& words, std::size_t count, const std::string& form) const {
    if (words.size() > count) {
      Fail(words[count].place, "unexpected " + Quoted(words[count].text) + "; the form is: " + form);
    }
  }

  // A line of text has no control characters but tabs, and a carriage return
  // only at its end (CR LF). Outside a comment, the characters that look like
  // a space or a line end and are neither are named rather than taken for one.
  void RefuseControlCharacters(const std::string& line) const {
    bool quoted = false;
    bool comment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const Place place{line_number_, static_cast<int>(i) + 1};
      if (line[i] == '\r' && i + 1 < line.size()) {
        Fail(place, "a carriage return (U+000D) inside a line; a line ends with a line feed");
      }
      if (IsControl(line[i])) {
        Fail(place, "unexpected control character " + Escaped(line.substr(i, 1)) + "; a song is plain text");
      }
      quoted = quoted != (line[i] == '"');
      comment = comment || (line[i] == '#' && !quoted);
      if (comment) continue;
      if (line.compare(i, 2, "\xC2\xA0") == 0) Fail(place, "a no-break space (U+00A0); write a plain space");
      if (line.compare(i, 2, "\xC2\x85") == 0) {
        Fail(place, "a next-line character (U+0085); a line ends with a line feed");
      }
    }
  }

  int Integer(const Word& word, int min, int max, const std::string& what) const {
    const std::string& t = word.text;
    std::size_t sign = (!t.empty() && t[0] == '-') ? 1 : 0;
    bool ok = t.size() > sign && t.size() - sign <= kMostDigits;
    for (std::size_t i = sign; ok && i < t.size(); ++i) ok = std::isdigit(static_cast<unsigned char>(t[i]));
    const long long value = ok ? std::strtoll(t.c_str(), nullptr, 10) : 0;
    if (!ok || value < min || value > max) {
      Fail(word.place, "expected " + what + " from " + std::to_string(min) + " to " +
                           std::to_string(max) + ", got " + Quoted(t));
    }
    return static_cast<int>(value);
  }

  int MachineIndex(const Word& word) const {
    for (std::size_t i = 0; i < song_.machines.size(); ++i) {
      if (song_.machines[i].name.text == word.text) return static_cast<int>(i);
    }
    Fail(word.place, "unknown machine " + Quoted(word.text) + "; place it first with 'machine " +
                         word.text + " PLUGIN'");
  }

  void ReadDirective(const Words& words) {
    const std::string& keyword = words[0].text;
    if (keyword == "tempo") {
      SetOnce(words[0], tempo_line_);
      song_.beats_per_minute = Integer(Expect(words, 1, "beats per minute"), 1, kMaxTempo, "beats per minute");
      ExpectEnd(words, 2, "tempo BPM");
    } else if (keyword == "ticks-per-beat") {
      SetOnce(words[0], ticks_per_beat_line_);
      song_.ticks_per_beat = Integer(Expect(words, 1, "ticks per beat"), 1, kMaxTicksPerBeat, "ticks per beat");
      ExpectEnd(words, 2, "ticks-per-beat N");
    } else if (keyword == "sample-rate") {
      SetOnce(words[0], sample_rate_line_);
      song_.sample_rate = Integer(Expect(words, 1, "a sample rate"), kMinSampleRate, kMaxSampleRate, "a sample rate");
      ExpectEnd(words, 2, "sample-rate HZ");
    } else if (keyword == "machine") {
      ReadMachine(words);
    } else if (keyword == "attribute") {
      ReadAttribute(words);
    } else if (keyword == "volume") {
      const int machine = MachineIndex(Expect(words, 1, "a machine name"));
      song_.machines[machine].volume_percent =
          Integer(Expect(words, 2, "a volume in percent"), 0, kMaxVolumePercent, "a volume in percent");
      ExpectEnd(words, 3, "volume MACHINE PERCENT");
    } else if (keyword == "state") {
      ReadState(words);
    } else if (keyword == "route") {
      ReadRoute(words);
    } else if (keyword == "pattern") {
      ReadPatternHeader(words);
    } else if (keyword == "sequence") {
      ReadSequence(words);
    } else if (keyword == "key") {
      ReadKey(words);
    } else {
      Fail(words[0].place, "expected tempo, ticks-per-beat, sample-rate, machine, attribute, "
                           "volume, state, route, pattern, sequence or key, got " + Quoted(keyword));
    }
  }

  static bool IsName(const std::string& text) {
    if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) return false;
    for (char c : text) {
      if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
    }
    return true;
  }

  // machine NAME PLUGIN [tracks N]
  void ReadMachine(const Words& words) {
    const std::string form = "machine NAME PLUGIN [tracks N]";
    MachinePlacement placement;
    placement.name = Expect(words, 1, "a machine name");
    if (!IsName(placement.name.text) || placement.name.text == kMasterName) {
      Fail(placement.name.place, "expected a machine name of letters, digits, '_' and '-' "
                                 "(not 'master'), got " + Quoted(placement.name.text));
    }
    for (const MachinePlacement& other : song_.machines) {
      if (other.name.text == placement.name.text) {
        Fail(placement.name.place, "machine " + Quoted(placement.name.text) + " is already placed on line " +
                                       std::to_string(other.name.place.line));
      }
    }
    if (song_.machines.size() == static_cast<std::size_t>(kMaxMachines)) {
      Fail(words[0].place, "a song places at most " + std::to_string(kMaxMachines) + " machines");
    }
    placement.plugin = Expect(words, 2, "a plug-in file or name");
    if (words.size() > 3) {
      if (words[3].text != "tracks") Fail(words[3].place, "expected 'tracks', got " + Quoted(words[3].text));
      placement.tracks = Integer(Expect(words, 4, "a track count"), 0, kMaxTracks, "a track count");
      placement.tracks_place = words[4].place;
      ExpectEnd(words, 5, form);
    }
    song_.machines.push_back(std::move(placement));
    song_.sequences.emplace_back();
    sequence_ticks_.push_back(0);
  }

  // attribute MACHINE "NAME" VALUE
  void ReadAttribute(const Words& words) {
    const int machine = MachineIndex(Expect(words, 1, "a machine name"));
    AttributeSetting setting;
    setting.name = Expect(words, 2, "an attribute name in quotes");
    const Word& value = Expect(words, 3, "an attribute value");
    setting.value = Integer(value, -2147483647, 2147483647, "an attribute value");
    setting.value_place = value.place;
    ExpectEnd(words, 4, "attribute MACHINE \"NAME\" VALUE");
    song_.machines[machine].attributes.push_back(std::move(setting));
  }

  // state MACHINE HEX-BYTE...
  void ReadState(const Words& words) {
    const int machine = MachineIndex(Expect(words, 1, "a machine name"));
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 2; i < words.size(); ++i) {
      unsigned value = 0;
      if (!ParseHexByte(words[i].text, value)) {
        Fail(words[i].place, "expected a stored byte as two hex digits, got " + Quoted(words[i].text));
      }
      bytes.push_back(static_cast<std::uint8_t>(value));
    }
    auto& state = song_.machines[machine].state;
    if (!state) state.emplace();
    state->insert(state->end(), bytes.begin(), bytes.end());
  }

  static bool ParseHexByte(const std::string& text, unsigned& value) {
    if (text.size() != 2 || !std::isxdigit(static_cast<unsigned char>(text[0])) ||
        !std::isxdigit(static_cast<unsigned char>(text[1]))) {
      return false;
    }
    value = static_cast<unsigned>(std::stoul(text, nullptr, 16));
    return true;
  }

  // route A -> B [-> C ...]; the last may be 'master'
  void ReadRoute(const Words& words) {
    int from = MachineIndex(Expect(words, 1, "a machine name"));
    std::size_t i = 2;
    do {
      const Word& arrow = Expect(words, i, "'->'");
      if (arrow.text != "->") Fail(arrow.place, "expected '->', got " + Quoted(arrow.text));
      const Word& target = Expect(words, i + 1, "a machine name or 'master'");
      const int to = target.text == kMasterName ? kToMaster : MachineIndex(target);
      if (to == from) Fail(target.place, "machine " + Quoted(target.text) + " cannot feed itself");
      song_.routes.push_back({from, to, arrow.place});
      if (to == kToMaster) {
        ExpectEnd(words, i + 2, "route A -> B -> ... -> master");
        return;
      }
      from = to;
      i += 2;
    } while (i < words.size());
  }

  // pattern MACHINE NAME ROWS, then rows, then 'end'
  void ReadPatternHeader(const Words& words) {
    Pattern pattern;
    pattern.machine = MachineIndex(Expect(words, 1, "a machine name"));
    pattern.name = Expect(words, 2, "a pattern name");
    if (!IsName(pattern.name.text)) {
      Fail(pattern.name.place,
           "expected a pattern name of letters, digits, '_' and '-', got " + Quoted(pattern.name.text));
    }
    for (const Pattern& other : song_.patterns) {
      if (other.machine == pattern.machine && other.name.text == pattern.name.text) {
        Fail(pattern.name.place, "pattern " + Quoted(pattern.name.text) + " of " + Quoted(words[1].text) +
                                     " is already written on line " + std::to_string(other.name.place.line));
      }
    }
    pattern.length = Integer(Expect(words, 3, "a row count"), 1, kMaxPatternRows, "a row count");
    ExpectEnd(words, 4, "pattern MACHINE NAME ROWS");
    song_.patterns.push_back(std::move(pattern));
    open_pattern_ = &song_.patterns.back();
  }

  void ReadPatternLine(const Words& words) {
    if (words.empty()) return;
    if (words.size() == 1 && words[0].text == "end") {
      open_pattern_ = nullptr;
      return;
    }
    Pattern& pattern = *open_pattern_;
    if (static_cast<int>(pattern.rows.size()) == pattern.length) {
      Fail(words[0].place, "pattern " + Quoted(pattern.name.text) + " has " + std::to_string(pattern.length) +
                               " rows; expected 'end' here");
    }
    PatternRow row;
    row.groups.emplace_back();
    for (const Word& word : words) {
      if (word.text == "|") {
        row.separators.push_back(word.place);
        row.groups.emplace_back();
      } else {
        row.groups.back().push_back(word);
      }
    }
    pattern.rows.push_back(std::move(row));
  }

  // sequence MACHINE PATTERN[*N]...
  void ReadSequence(const Words& words) {
    const int machine = MachineIndex(Expect(words, 1, "a machine name"));
    Expect(words, 2, "a pattern name");
    for (std::size_t i = 2; i < words.size(); ++i) {
      Word name = words[i];
      int repeat = 1;
      const std::size_t star = name.text.find('*');
      if (star != std::string::npos) {
        Word count{name.text.substr(star + 1),
                   {name.place.line, name.place.column + static_cast<int>(star) + 1}};
        repeat = Integer(count, 1, kMaxRepeat, "a repeat count");
        name.text.resize(star);
      }
      pending_steps_.push_back({machine, name, repeat});
    }
  }

  void ResolveSequences() {
    for (const PendingStep& step : pending_steps_) {
      int found = -1;
      for (std::size_t p = 0; p < song_.patterns.size(); ++p) {
        const Pattern& pattern = song_.patterns[p];
        if (pattern.machine == step.machine && pattern.name.text == step.pattern.text) {
          found = static_cast<int>(p);
        }
      }
      if (found < 0) {
        Fail(step.pattern.place, "machine " + Quoted(song_.machines[step.machine].name.text) +
                                     " has no pattern " + Quoted(step.pattern.text));
      }
      long long& ticks = sequence_ticks_[step.machine];
      ticks += static_cast<long long>(song_.patterns[found].length) * step.repeat;
      if (ticks > kMaxSongTicks) {
        Fail(step.pattern.place, "machine " + Quoted(song_.machines[step.machine].name.text) + " plays " +
                                     std::to_string(ticks) + " ticks to the end of this step; a song lasts at most " +
                                     std::to_string(kMaxSongTicks) + " ticks");
      }
      Reach(ticks, step.pattern.place);
      song_.sequences[step.machine].push_back({found, step.repeat});
    }
  }

  // The song lasts at least `ticks`, to the end of what stands at `place`.
  void Reach(long long ticks, Place place) {
    if (ticks <= longest_ticks_) return;
    longest_ticks_ = ticks;
    longest_place_ = place;
  }

  // Checked once the whole file is read: the tempo may come last.
  void RefuseOverlongSong() const {
    const double hours = static_cast<double>(longest_ticks_) * 60.0 /
                         (static_cast<double>(song_.beats_per_minute) * song_.ticks_per_beat) / 3600.0;
    if (hours <= kMaxSongHours) return;
    char lasting[160];
    std::snprintf(lasting, sizeof lasting, "the song lasts %.1f hours to here (%lld ticks at tempo %d and ticks-per-beat %d); "
                  "a song lasts at most %d hours", hours, longest_ticks_, song_.beats_per_minute,
                  song_.ticks_per_beat, kMaxSongHours);
    Fail(longest_place_, lasting);
  }

  // key MACHINE TICK on NOTE VELOCITY | key MACHINE TICK off NOTE
  void ReadKey(const Words& words) {
    KeyEvent event;
    event.machine = MachineIndex(Expect(words, 1, "a machine name"));
    const Word& tick = Expect(words, 2, "a tick");
    event.tick = Integer(tick, 0, kMaxSongTicks - 1, "a tick");
    Reach(event.tick + 1LL, tick.place);
    const Word& action = Expect(words, 3, "'on' or 'off'");
    if (action.text != "on" && action.text != "off") {
      Fail(action.place, "expected 'on' or 'off', got " + Quoted(action.text));
    }
    event.note = KeyNote(Expect(words, 4, "a note like C-4 or a number 0..127"));
    if (action.text == "on") {
      event.velocity = Integer(Expect(words, 5, "a velocity"), 1, kHighestVelocity, "a velocity");
      ExpectEnd(words, 6, "key MACHINE TICK on NOTE VELOCITY");
    } else {
      ExpectEnd(words, 5, "key MACHINE TICK off NOTE");
    }
    song_.keys.push_back(event);
  }

  int KeyNote(const Word& word) const {
    std::uint8_t note_byte = 0;
    if (ParseNoteName(word.text, note_byte)) {
      const int key = KeyboardNote(note_byte);
      if (key > kHighestKey) Fail(word.place, "note " + Quoted(word.text) + " is above the keyboard's highest, G-9");
      return key;
    }
    if (!word.text.empty() && std::isdigit(static_cast<unsigned char>(word.text[0]))) {
      return Integer(word, 0, kHighestKey, "a keyboard note");
    }
    Fail(word.place, "expected a note like C-4 or a number 0..127, got " + Quoted(word.text));
  }

  Song song_;
  std::vector<long long> sequence_ticks_;  // per machine, as its steps are resolved
  long long longest_ticks_ = 0;
  Place longest_place_;
  int line_number_ = 0;
  // Where the header lines stand, 0 until read.
  int tempo_line_ = 0, ticks_per_beat_line_ = 0, sample_rate_line_ = 0;
  Pattern* open_pattern_ = nullptr;
  std::vector<PendingStep> pending_steps_;
};

}  // namespace

Song ParseSong(const std::string& text, const std::string& file, const std::string& folder) {
  return SongReader(file, folder).Read(text);
}

Song LoadSong(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw HostError(path + ": is a folder, not a song file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HostError(path + ": cannot read the song file");
  // Read in pieces, so that an endless source such as /dev/zero stops at the limit.
  std::string text;
  char piece[65536];
  while (in.read(piece, sizeof piece) || in.gcount() > 0) {
    text.append(piece, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxSongBytes) {
      throw HostError(path + ": larger than " + std::to_string(kMaxSongBytes >> 20) + " MiB; a song file is text");
    }
  }
  const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
  return ParseSong(text, path, folder.string());
}

}  // namespace varnok::host
