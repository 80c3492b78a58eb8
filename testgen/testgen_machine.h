// Varnok's Pulse: a sine instrument of 1 to 16 tracks over a pool of 64 channels,
// played from the patterns and from a keyboard.
#pragma once

#include <cstdint>

#include "framework/channel_mix.h"
#include "framework/instance_counter.h"
#include "framework/machine_base.h"
#include "testgen/sine_channel.h"
#include "testgen/testgen_description.h"

namespace varnok::testgen {

inline constexpr int kChannelCount = 64;
// An attribute no ApplyAttributes has applied yet: outside every attribute's range.
inline constexpr std::int32_t kNotApplied = INT32_MIN;

class TestGenMachine final : public Machine<TestGenMachine> {
 public:
  // Counts itself and leaves every slot idle, so that even a host that skips
  // Initialize finds a silent machine.
  TestGenMachine() noexcept;

  // [ui] `saved` is ignored: the machine stores nothing.
  void MACHINE_CALL Initialize(StateInput* saved) override;
  // [audio] Ends quiet slots, then runs each track's tick.
  void MACHINE_CALL ApplyTick() noexcept override;
  // [audio] Mixes every active in-use slot; false and untouched when none is.
  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept override;
  // [audio] Releases every in-use slot; they sound until the next tick.
  void MACHINE_CALL Halt() noexcept override;
  void MACHINE_CALL ApplyAttributes() noexcept override;
  // [ui] 0 shows the About box; other indices do nothing.
  void MACHINE_CALL RunCommand(int index) override;
  void MACHINE_CALL SetTrackCount(int count) noexcept override;
  // [audio] `note` 0..127 is the note index; velocity 0 is a note-off.
  void MACHINE_CALL OnMidiNote(int channel, int note, int velocity) noexcept override;

  // The slot for a new note: `own_slot` (the track, or 0 for the keyboard), or
  // the first shared slot that is never used or quiet, else the quietest.
  SineChannel* AllocateChannel(int own_slot) noexcept;
  void TrackTick(int track) noexcept;
  void AttributeChanged(int index, int value) noexcept;
  // The value last applied, or the description's default before the first apply.
  std::int32_t AppliedAttribute(int index) const noexcept;

  SineChannel channels[kChannelCount];  // slot t < 16 is also track t
  std::int32_t track_count = 0;
  std::int32_t channels_in_use = 0;     // only slots below it are ended, rendered, halted
  InstanceCounter instance_counter;
  // No global parameters: the empty global block sits where the track blocks start.
  std::uint8_t track_blocks[kMaxTracks][kTrackParamCount] = {};
  std::int32_t attribute_block[kAttributeCount] = {};
  std::int32_t applied_attributes[kAttributeCount];
  double available_level;
  // This machine's own rate, from its Initialize: a rate shared by the whole
  // library would let one instance's Initialize retune every other's notes.
  std::int32_t sample_rate = 0;
  // Render's own buffers beside the host's scratch: one group's worth, since
  // nothing stands between its renders and adds.
  MixLanes<kMostSideBySide - 1> mix_lanes;

 private:
  void Reset() noexcept;
};

}  // namespace varnok::testgen
