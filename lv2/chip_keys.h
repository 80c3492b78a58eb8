// The Chip takes no keyboard notes of its own: each key becomes a pattern note
// on one of its 16 tracks, given a tick of its own at the key's frame, and the
// three control parameters set the pulse width of every track.
#pragma once

#include <cstdint>

#include "chip/chip_description.h"
#include "chip/chip_machine.h"
#include "framework/plugin_entry.h"
#include "lv2/control_ports.h"
#include "lv2/hosted_machine.h"
#include "lv2/midi_stream.h"
#include "lv2/plugin_layouts.h"
#include "lv2/track_notes.h"

namespace varnok::lv2 {

// The note byte that sounds MIDI key `key`, or kNoNote for keys above the
// Chip's B-9. The Chip's A-4 is 220 Hz, MIDI's key 57: key k is octave k / 12,
// semitone k % 12 + 1, so key 69 is the Chip's A-5 at 440 Hz.
std::uint8_t ChipNoteOf(int key) noexcept;

class ChipKeys final {
 public:
  static constexpr int kTracks = chip::kMaxTracks;
  static constexpr PortLayout kLayout = kChipLayout;
  static const MachineDescription& Description() noexcept { return chip::kChipDescription; }
  static MachineBase* Create() noexcept { return CreateMachineOf<chip::ChipMachine>(); }

  explicit ChipKeys(HostedMachine& hosted) noexcept;

  void ConnectControl(int control, const float* port) noexcept { controls_.Connect(control, port); }
  // [audio] Note-on: the key's note on its track (TrackNotes says which);
  // note-off: a note-off byte on the track that plays the key, if any; the
  // controllers that end all notes: Halt.
  void OnMidi(const MidiMessage& message) noexcept;
  // [audio] Writes the controls that changed, then ApplyTick.
  void Tick() noexcept;
  // [ui]
  void Silence() noexcept;

 private:
  // One tick carrying `note` on `track` alone.
  void PlayOnTrack(int track, std::uint8_t note) noexcept;

  HostedMachine& hosted_;
  TrackNotes notes_;
  TrackControlPorts controls_;
};

}  // namespace varnok::lv2
