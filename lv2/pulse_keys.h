// The Test Generator takes a keyboard's notes itself (OnMidiNote): key 69 is
// its A at 440 Hz, velocity 127 full level, a released note ends at the next tick.
#pragma once

#include "framework/plugin_entry.h"
#include "lv2/hosted_machine.h"
#include "lv2/midi_stream.h"
#include "lv2/plugin_layouts.h"
#include "testgen/testgen_description.h"
#include "testgen/testgen_machine.h"

namespace varnok::lv2 {

class PulseKeys final {
 public:
  // Keyboard notes need no track; the machine gets its fewest.
  static constexpr int kTracks = 1;
  static constexpr PortLayout kLayout = kPulseLayout;
  static const MachineDescription& Description() noexcept { return testgen::kTestGenDescription; }
  static MachineBase* Create() noexcept { return CreateMachineOf<testgen::TestGenMachine>(); }

  explicit PulseKeys(HostedMachine& hosted) noexcept : hosted_(hosted) {}

  void ConnectControl(int, const float*) noexcept {}

  // [audio] A note-on of velocity 0 is a note-off, as MIDI has it; an orphan
  // note-off finds no voice and does nothing. The controllers that end all
  // notes release every voice, as the host's stop does.
  void OnMidi(const MidiMessage& message) noexcept {
    MachineBase& machine = hosted_.Machine();
    const int kind = message.status & kMidiKindMask;
    const int channel = message.status & 0x0F;
    if (kind == kMidiNoteOn) {
      machine.OnMidiNote(channel, message.data1, message.data2);
    } else if (kind == kMidiNoteOff) {
      machine.OnMidiNote(channel, message.data1, 0);
    } else if (EndsAllNotes(message)) {
      machine.Halt();
    }
  }
  // [audio]
  void Tick() noexcept { hosted_.Machine().ApplyTick(); }
  // [ui]
  void Silence() noexcept { hosted_.Machine().Halt(); }

 private:
  HostedMachine& hosted_;
};

}  // namespace varnok::lv2
