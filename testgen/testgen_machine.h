// Varnok's Pulse: a sine instrument of 1 to 16 tracks over a pool of 64 channels,
// played from the patterns and from a keyboard.
#pragma once

#include <array>
#include <cstdint>

#include "framework/instance_counter.h"
#include "testgen/sine_channel.h"
#include "testgen/testgen_description.h"
#include "voices/voice_machine.h"

namespace varnok::testgen {

inline constexpr int kChannelCount = 64;
// An attribute no ApplyAttributes has applied yet: outside every attribute's range.
inline constexpr std::int32_t kNotApplied = INT32_MIN;

class TestGenMachine final
    : public voices::VoiceMachine<TestGenMachine, SineChannel, kChannelCount, kMaxTracks> {
 public:
  // Counts itself and leaves every slot idle, so that even a host that skips
  // Initialize finds a silent machine.
  TestGenMachine() noexcept;

  // [ui] `saved` is ignored: the machine stores nothing.
  void MACHINE_CALL Initialize(StateInput* saved) noexcept override;
  // [audio] Ends quiet slots, then runs each track's tick.
  void MACHINE_CALL ApplyTick() noexcept override;
  // [audio] Releases every in-use slot; they sound until the next tick.
  void MACHINE_CALL Halt() noexcept override { ReleaseChannels(channels_in_use); }
  void MACHINE_CALL ApplyAttributes() noexcept override;
  // [ui] kAboutCommand shows the About box; other indices do nothing.
  void MACHINE_CALL RunCommand(int index) noexcept override;
  // [audio] `note` 0..127 is the note index; velocity 0 is a note-off.
  void MACHINE_CALL OnMidiNote(int channel, int note, int velocity) noexcept override;

  // The slot for a new note: `own_slot` (the track, or 0 for the keyboard), or
  // the first shared slot that is never used or quiet, else the quietest.
  SineChannel* AllocateChannel(int own_slot) noexcept;
  void TrackTick(int track) noexcept;
  void AttributeChanged(int index, int value) noexcept;
  // The value last applied, or the description's default before the first apply.
  std::int32_t AppliedAttribute(int index) const noexcept;
  // [audio] The host's DSP_Add, for the engine's mixing.
  static void AddSamples(float* destination, const float* source, unsigned long count) noexcept;

  InstanceCounter instance_counter;
  // No global parameters: the empty global block sits where the track blocks start.
  std::array<std::array<std::uint8_t, kTrackParamCount>, kMaxTracks> track_blocks{};
  std::array<std::int32_t, kAttributeCount> attribute_block{};
  std::array<std::int32_t, kAttributeCount> applied_attributes{};
  double available_level = 0.0;
  // This machine's own rate, from its Initialize: a rate shared by the whole
  // library would let one instance's Initialize retune every other's notes.
  std::int32_t sample_rate = 0;

 private:
  void Reset() noexcept;
};

}  // namespace varnok::testgen
