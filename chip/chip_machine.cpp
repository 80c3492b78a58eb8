#include "chip/chip_machine.h"

#include <algorithm>
#include <cmath>

#include "chip/dsp_add.h"
#include "platform/rounding.h"

namespace varnok::chip {
namespace {

// "Track available at (dB)" as a level: a power of two, 2^(dB / 3).
double AvailableLevel(std::int32_t db) noexcept {
  const platform::FullPrecision precision;  // pow runs on the x87 unit in the DLL
  return std::pow(2.0, db * (1.0 / 3.0));
}

// Semitone 1..12 and octave 0..9; any other byte has no pitch.
bool IsPlayable(std::uint8_t note) noexcept {
  const int semitone = note & 15;
  return semitone >= 1 && semitone <= 12 && (note >> 4) < static_cast<int>(kOctaveFactors.size());
}

}  // namespace

ChipMachine::ChipMachine() noexcept {
  // Nothing stands in the blocks until the host writes: no note, no control, and
  // the attributes at their defaults so a note before ApplyAttributes has them.
  for (auto& block : track_blocks) {
    block.fill(kNoValue);
    block[kNoteByte] = kNoNote;
  }
  for (int i = 0; i < kAttributeCount; ++i) attribute_block[i] = kAttributeRows[i].default_value;
  // No global parameters: the empty global block sits where the track blocks begin.
  global_values = track_blocks[0].data();
  track_values = track_blocks[0].data();
  attribute_values = attribute_block.data();
}

void MACHINE_CALL ChipMachine::Initialize(StateInput* /*saved*/) noexcept {
  sample_rate = host_info->sample_rate;
  track_count = 0;
  channels_in_use = 0;
  available_level = AvailableLevel(attribute_block[kTrackAvailableDb]);
  for (int i = 0; i < kChannelCount; ++i) channels[i].Init(*this, track_blocks[i].data());
}

void MACHINE_CALL ChipMachine::ApplyAttributes() noexcept {
  channels_in_use = ChannelBound(attribute_block[kDynamicChannels]);
  available_level = AvailableLevel(attribute_block[kTrackAvailableDb]);
}

void MACHINE_CALL ChipMachine::ApplyTick() noexcept {
  for (int track = 0; track < track_count; ++track) TrackTick(track);
}

void ChipMachine::TrackTick(int track) noexcept {
  ChipChannel& record = channels[track];
  const std::uint8_t* block = record.track_block;
  for (int control = kFirstControl; control < kFirstControl + kControlCount; ++control) {
    if (block[control] != kNoValue) record.current_channel->SetPulseWidth(block[control]);
  }
  const std::uint8_t note = block[kNoteByte];
  if (note == kNoteOff) {
    record.Release();
  } else if (note != kNoNote && IsPlayable(note)) {
    if (record.current_channel->active) record.current_channel->Release();
    ChipChannel* channel = AllocateChannel(track);
    record.current_channel = channel;
    channel->StartNote(block);
  }
}

ChipChannel* ChipMachine::AllocateChannel(int track) noexcept {
  return ChannelForNote(track, attribute_block[kDynamicChannels], available_level);
}

void ChipMachine::AddSamples(float* destination, const float* source, unsigned long count) noexcept {
  DSP_Add(destination, source, count);
}

}  // namespace varnok::chip
