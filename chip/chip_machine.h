// The Chip: 1 to 16 tracks of pulse notes on a pool of 16 channels.
#pragma once

#include <array>
#include <cstdint>

#include "chip/chip_channel.h"
#include "chip/chip_description.h"
#include "framework/channel_mix.h"
#include "framework/machine_base.h"

namespace varnok::chip {

class ChipMachine final : public Machine<ChipMachine> {
 public:
  ChipMachine() noexcept;

  // [ui] Reads no state: the Chip stores none.
  void MACHINE_CALL Initialize(StateInput* saved) override;
  void MACHINE_CALL SetTrackCount(int count) override;
  void MACHINE_CALL ApplyAttributes() override;
  // [audio] Controls first, then the note, track by track.
  void MACHINE_CALL ApplyTick() noexcept override;
  // [audio] The first active channel writes the buffer, the others add to it.
  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept override;
  // [audio] Stops the tracks' own channels.
  void MACHINE_CALL Halt() noexcept override;

  // [audio] The channel for a new note of `track`.
  ChipChannel* AllocateChannel(int track) noexcept;

  void TrackTick(int track) noexcept;

  std::array<ChipChannel, kChannelCount> channels;
  int track_count = 0;
  int channels_in_use = 0;
  std::array<std::array<std::uint8_t, kTrackParamCount>, kMaxTracks> track_blocks;
  std::array<std::int32_t, kAttributeCount> attribute_block;
  double available_level = 0.0;
  // This machine's own rate, from its Initialize: a rate shared by the whole
  // library would let one instance's Initialize retune every other's notes.
  std::int32_t sample_rate = 0;
  // Room for every channel beside the host's output, so a block of up to
  // kMixPieceSamples switches the rounding once.
  MixLanes<kChannelCount - 1> mix_lanes;

 private:
  // "Dynamic Channels" may ask for more than the pool holds.
  int ChannelLimit() const noexcept;
};

}  // namespace varnok::chip
