// The Chip: 1 to 16 tracks of pulse notes on a pool of 16 channels.
#pragma once

#include <array>
#include <cstdint>

#include "chip/chip_channel.h"
#include "chip/chip_description.h"
#include "voices/voice_machine.h"

namespace varnok::chip {

class ChipMachine final
    : public voices::VoiceMachine<ChipMachine, ChipChannel, kChannelCount, kMaxTracks> {
 public:
  ChipMachine() noexcept;

  // [ui] Reads no state: the Chip stores none.
  void MACHINE_CALL Initialize(StateInput* saved) noexcept override;
  void MACHINE_CALL ApplyAttributes() noexcept override;
  // [audio] Controls first, then the note, track by track.
  void MACHINE_CALL ApplyTick() noexcept override;
  // [audio] Stops the tracks' own channels, not those of removed tracks.
  void MACHINE_CALL Halt() noexcept override { ReleaseChannels(track_count); }

  // [audio] The channel for a new note of `track`.
  ChipChannel* AllocateChannel(int track) noexcept;
  void TrackTick(int track) noexcept;
  // [audio] The Chip's own add routine, for the engine's mixing.
  static void AddSamples(float* destination, const float* source, unsigned long count) noexcept;

  std::array<std::array<std::uint8_t, kTrackParamCount>, kMaxTracks> track_blocks{};
  std::array<std::int32_t, kAttributeCount> attribute_block{};
  double available_level = 0.0;
  // This machine's own rate, from its Initialize: a rate shared by the whole
  // library would let one instance's Initialize retune every other's notes.
  std::int32_t sample_rate = 0;
};

}  // namespace varnok::chip
