#include "host/song/song_binding.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "host/core/no_values.h"
#include "host/song/note_name.h"

namespace varnok::host {
namespace {

bool IsEmptyCell(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c == '.'; });
}

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

class SongBinder {
 public:
  SongBinder(const Song& song, const std::vector<const MachineDescription*>& descriptions)
      : song_(song), descriptions_(descriptions) {}

  BoundSong Bind() {
    bound_.beats_per_minute = song_.beats_per_minute;
    bound_.ticks_per_beat = song_.ticks_per_beat;
    bound_.sample_rate = song_.sample_rate;
    for (std::size_t m = 0; m < song_.machines.size(); ++m) {
      bound_.machines.push_back(BindMachine(song_.machines[m], *descriptions_.at(m)));
    }
    for (std::size_t m = 0; m < song_.machines.size(); ++m) LayOutSequence(static_cast<int>(m));
    BindKeys();
    BindRoutes();
    // Last, so that every mistake with a place is told first.
    if (bound_.length_ticks == 0) {
      throw HostError(song_.file + ": nothing to play: the song has no 'sequence' and no 'key' line");
    }
    return std::move(bound_);
  }

 private:
  [[noreturn]] void Fail(Place place, const std::string& what) const {
    throw SongError(song_.file, place, what);
  }

  BoundMachine BindMachine(const MachinePlacement& placement, const MachineDescription& d) {
    BoundMachine machine;
    machine.name = placement.name.text;
    machine.description = &d;
    machine.state = placement.state;
    machine.gain = static_cast<float>(placement.volume_percent) / 100.0f;
    machine.tracks = std::max(d.min_tracks, d.max_tracks > 0 ? 1 : 0);
    if (placement.tracks) {
      if (*placement.tracks < d.min_tracks || *placement.tracks > d.max_tracks) {
        Fail(placement.tracks_place, "expected a track count from " + std::to_string(d.min_tracks) +
                                         " to " + std::to_string(d.max_tracks) + " for " +
                                         d.full_name + ", got " + std::to_string(*placement.tracks));
      }
      machine.tracks = *placement.tracks;
    }
    for (int a = 0; a < d.attribute_count; ++a) machine.attributes.push_back(d.attributes[a]->default_value);
    for (const AttributeSetting& setting : placement.attributes) {
      const int a = AttributeIndex(d, setting.name);
      const AttributeDescriptor& attribute = *d.attributes[a];
      if (setting.value < attribute.min_value || setting.value > attribute.max_value) {
        Fail(setting.value_place, "expected a value from " + std::to_string(attribute.min_value) +
                                      " to " + std::to_string(attribute.max_value) + " for '" +
                                      attribute.name + "', got " + std::to_string(setting.value));
      }
      machine.attributes[a] = setting.value;
    }
    machine.global_bytes = d.global_param_count;
    machine.track_bytes = machine.tracks * d.track_param_count;
    machine.empty_frame = NoValueFrame(d, machine.tracks);
    return machine;
  }

  int AttributeIndex(const MachineDescription& d, const Word& name) const {
    std::string known;
    for (int a = 0; a < d.attribute_count; ++a) {
      if (name.text == d.attributes[a]->name) return a;
      known += std::string(a ? ", " : "") + "\"" + d.attributes[a]->name + "\"";
    }
    Fail(name.place, std::string(d.full_name) + " has no attribute \"" + name.text + "\"; " +
                         (known.empty() ? "it has none" : "it has " + known));
  }

  // The descriptor of byte `i` of a frame.
  static const ParamDescriptor& Param(const BoundMachine& machine, int i) {
    const MachineDescription& d = *machine.description;
    if (i < d.global_param_count) return *d.params[i];
    return *d.params[d.global_param_count + (i - d.global_param_count) % d.track_param_count];
  }

  // Every pattern is checked, played or not; the sequence then refers to them.
  void LayOutSequence(int m) {
    BoundMachine& machine = bound_.machines[m];
    machine.pattern_frames.resize(song_.patterns.size());
    for (std::size_t p = 0; p < song_.patterns.size(); ++p) {
      if (song_.patterns[p].machine == m) machine.pattern_frames[p] = PatternFrames(machine, song_.patterns[p]);
    }
    for (const SequenceStep& step : song_.sequences[m]) {
      const int rows = song_.patterns[step.pattern].length;
      machine.runs.push_back({machine.tick_count, step.pattern, rows});
      machine.tick_count += rows * step.repeat;  // the parser keeps a song within int ticks
    }
    bound_.length_ticks = std::max(bound_.length_ticks, machine.tick_count);
  }

  std::vector<std::uint8_t> PatternFrames(const BoundMachine& machine, const Pattern& pattern) {
    const std::size_t frame_size = machine.empty_frame.size();
    std::vector<std::uint8_t> frames;
    for (int r = 0; r < pattern.length; ++r) {
      frames.insert(frames.end(), machine.empty_frame.begin(), machine.empty_frame.end());
    }
    for (std::size_t r = 0; r < pattern.rows.size(); ++r) {
      BindRow(machine, pattern.rows[r], frames.data() + r * frame_size);
    }
    return frames;
  }

  // Which group is which: the global group first when there are globals.
  std::string GroupName(const BoundMachine& machine, std::size_t group) const {
    const bool has_globals = machine.global_bytes > 0;
    if (has_globals && group == 0) return "the global group";
    return "track " + std::to_string(group - (has_globals ? 1 : 0));
  }

  std::string ColumnList(const BoundMachine& machine, int first, int count) const {
    std::string list;
    for (int i = 0; i < count; ++i) list += std::string(i ? " " : "") + Param(machine, first + i).name;
    return list;
  }

  void BindRow(const BoundMachine& machine, const PatternRow& row, std::uint8_t* frame) {
    const MachineDescription& d = *machine.description;
    const bool has_globals = machine.global_bytes > 0;
    const std::size_t groups = (has_globals ? 1 : 0) + static_cast<std::size_t>(machine.tracks);
    for (std::size_t g = 0; g < row.groups.size(); ++g) {
      if (g >= groups) {
        Fail(row.separators[g - 1], Quoted(machine.name) + " has " + std::to_string(groups) +
                                        " column groups, expected the end of the row");
      }
      const bool global = has_globals && g == 0;
      const int first = global ? 0 : machine.global_bytes +
                                         static_cast<int>(g - (has_globals ? 1 : 0)) * d.track_param_count;
      const int count = global ? d.global_param_count : d.track_param_count;
      const std::vector<Word>& cells = row.groups[g];
      const bool last = g + 1 == row.groups.size();
      if (static_cast<int>(cells.size()) > count) {
        Fail(cells[count].place, "expected " + std::string(last ? "the end of the row" : "'|'") +
                                     " after the columns of " + GroupName(machine, g) + " (" +
                                     ColumnList(machine, first, count) + "), got " + Quoted(cells[count].text));
      }
      if (!last && static_cast<int>(cells.size()) < count) {
        Fail(row.separators[g], "expected " + std::to_string(count) + " columns for " + GroupName(machine, g) +
                                    " (" + ColumnList(machine, first, count) + "), got " +
                                    std::to_string(cells.size()));
      }
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const int i = first + static_cast<int>(c);
        frame[i] = CellValue(Param(machine, i), cells[c]);
      }
    }
  }

  std::uint8_t CellValue(const ParamDescriptor& p, const Word& cell) const {
    if (IsEmptyCell(cell.text)) return NoValueByte(p);
    if (p.kind == kNoteParam) {
      std::uint8_t note = 0;
      if (cell.text == kNoteOffWord) return kNoteOff;
      if (!ParseNoteName(cell.text, note)) {
        Fail(cell.place, "expected a note like C-4 or 'off', got " + Quoted(cell.text));
      }
      return note;
    }
    const std::string& t = cell.text;
    const bool hex = t.size() == 2 && std::isxdigit(static_cast<unsigned char>(t[0])) &&
                     std::isxdigit(static_cast<unsigned char>(t[1]));
    const int value = hex ? std::stoi(t, nullptr, 16) : -1;
    if (!hex || value < p.min_value || value > p.max_value) {
      Fail(cell.place, "expected " + std::string(p.name) + " as two hex digits " + Hex(p.min_value) +
                           ".." + Hex(p.max_value) + " or '..', got " + Quoted(t));
    }
    return static_cast<std::uint8_t>(value);
  }

  void BindKeys() {
    for (const KeyEvent& key : song_.keys) {
      bound_.machines[key.machine].keys.push_back(key);
      bound_.length_ticks = std::max(bound_.length_ticks, key.tick + 1);
    }
    for (BoundMachine& machine : bound_.machines) {
      std::stable_sort(machine.keys.begin(), machine.keys.end(),
                       [](const KeyEvent& a, const KeyEvent& b) { return a.tick < b.tick; });
    }
  }

  // Unrouted machines play into the master; the render order puts every machine
  // after all that feed it.
  void BindRoutes() {
    const std::size_t n = bound_.machines.size();
    std::vector<bool> has_output(n, false);
    for (const Route& route : song_.routes) {
      has_output[route.from] = true;
      if (route.to == kToMaster) {
        bound_.machines[route.from].to_master = true;
        continue;
      }
      std::vector<int>& inputs = bound_.machines[route.to].inputs;
      if (std::find(inputs.begin(), inputs.end(), route.from) == inputs.end()) inputs.push_back(route.from);
    }
    for (std::size_t m = 0; m < n; ++m) {
      if (!has_output[m]) bound_.machines[m].to_master = true;
    }
    std::vector<bool> placed(n, false);
    while (bound_.render_order.size() < n) {
      bool progress = false;
      for (std::size_t m = 0; m < n; ++m) {
        if (placed[m]) continue;
        const auto& inputs = bound_.machines[m].inputs;
        if (std::all_of(inputs.begin(), inputs.end(), [&](int i) { return placed[i]; })) {
          placed[m] = true;
          bound_.render_order.push_back(static_cast<int>(m));
          progress = true;
        }
      }
      if (!progress) FailLoop(placed);
    }
  }

  [[noreturn]] void FailLoop(const std::vector<bool>& placed) const {
    for (const Route& route : song_.routes) {
      if (route.to != kToMaster && !placed[route.from] && !placed[route.to]) {
        Fail(route.place, "this route closes a loop between '" + song_.machines[route.from].name.text +
                              "' and '" + song_.machines[route.to].name.text +
                              "'; expected signals to flow one way to the master");
      }
    }
    Fail(Place{1, 1}, "the routes form a loop");
  }

  const Song& song_;
  const std::vector<const MachineDescription*>& descriptions_;
  BoundSong bound_;
};

}  // namespace

const std::uint8_t* BoundMachine::Frame(int tick) const {
  if (tick >= tick_count) return empty_frame.data();
  const auto after = std::upper_bound(runs.begin(), runs.end(), tick,
                                      [](int t, const Run& run) { return t < run.first_tick; });
  const Run& run = *(after - 1);
  const std::size_t row = static_cast<std::size_t>((tick - run.first_tick) % run.rows);
  return pattern_frames[static_cast<std::size_t>(run.pattern)].data() + row * empty_frame.size();
}

BoundSong BindSong(const Song& song, const std::vector<const MachineDescription*>& descriptions) {
  return SongBinder(song, descriptions).Bind();
}

}  // namespace varnok::host
