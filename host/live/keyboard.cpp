#include "host/live/keyboard.h"

#include <cstring>

#include "host/core/host_error.h"
#include "testgen/testgen_description.h"

namespace varnok::host::live {
namespace {

// Of our machines only the Test Generator plays keyboard notes; the others
// ignore OnMidiNote, so a keyboard on them would be silent without a word.
bool TakesKeyboardNotes(const MachineDescription& description) {
  return std::strcmp(description.full_name, testgen::kTestGenDescription.full_name) == 0;
}

}  // namespace

void RequireKeyboardNotes(const MachineDescription& description, const std::string& what) {
  if (TakesKeyboardNotes(description)) return;
  throw HostError("--keyboard: " + what + " takes no keyboard notes; only " +
                  testgen::kTestGenDescription.full_name + " does");
}

int KeyboardMachine(const SongRenderer& renderer, const std::string& name) {
  for (std::size_t m = 0; m < renderer.MachineCount(); ++m) {
    const BoundMachine& placed = renderer.Placed(m);
    if (placed.name != name) continue;
    RequireKeyboardNotes(*placed.description,
                         "machine '" + name + "' (" + placed.description->full_name + ")");
    return static_cast<int>(m);
  }
  throw HostError("--keyboard: the song places no machine named '" + name + "'");
}

Song KeyboardSong(const std::string& plugin, int beats_per_minute, int ticks_per_beat, int sample_rate) {
  Song song;
  song.file = "the keyboard";
  song.beats_per_minute = beats_per_minute;
  song.ticks_per_beat = ticks_per_beat;
  song.sample_rate = sample_rate;
  MachinePlacement placement;
  placement.name.text = kKeyboardSongMachine;
  placement.plugin.text = plugin;
  song.machines.push_back(placement);
  song.routes.push_back({0, kToMaster, {}});
  Pattern idle;
  idle.name.text = "idle";
  idle.length = 1;
  song.patterns.push_back(idle);
  song.sequences.push_back({SequenceStep{0, 1}});
  return song;
}

}  // namespace varnok::host::live
