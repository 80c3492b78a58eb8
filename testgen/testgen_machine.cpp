#include "testgen/testgen_machine.h"

#include <algorithm>
#include <cmath>

#include "framework/about_box.h"
#include "framework/dsp_add.h"
#include "platform/rounding.h"

namespace varnok::testgen {

namespace {

constexpr double kDbPerDoubling = 6.0;

double LevelAt(std::int32_t db) noexcept {
  const platform::FullPrecision precision;  // pow runs on the x87 unit in the DLL
  return kSineScale * std::pow(2.0, db * (1.0 / kDbPerDoubling));
}

// Octave in the high nibble, semitone 1..12 in the low: C-0 is 12, A-4 is 69.
int NoteIndexOf(std::uint8_t note) noexcept { return (note & 15) + 12 * (note >> 4) + 11; }

bool IsNote(std::uint8_t note) noexcept { return note != kNoNote && note != kNoteOff; }

}  // namespace

double AvailableLevel(const TestGenMachine& machine) noexcept { return machine.available_level; }
std::int32_t SampleRate(const TestGenMachine& machine) noexcept { return machine.sample_rate; }

TestGenMachine::TestGenMachine() noexcept {
  global_values = track_blocks[0].data();
  track_values = track_blocks[0].data();
  attribute_values = attribute_block.data();
  for (int i = 0; i < kAttributeCount; ++i) attribute_block[i] = kAttributeRows[i].default_value;
  Reset();
}

void MACHINE_CALL TestGenMachine::Initialize(StateInput*) noexcept {
  sample_rate = host_info->sample_rate;
  Reset();
}

// Leaves every attribute to the next ApplyAttributes, yet gives a tick or note
// that comes first the attributes' defaults.
void TestGenMachine::Reset() noexcept {
  track_count = 0;
  channels_in_use = 0;
  applied_attributes.fill(kNotApplied);
  available_level = LevelAt(kAttributeRows[kTrackAvailableDb].default_value);
  for (int i = 0; i < kChannelCount; ++i) {
    SineChannel& channel = channels[i];
    channel.machine = this;
    channel.track_block = i < kMaxTracks ? track_blocks[i].data() : nullptr;
    channel.Init();
  }
}

std::int32_t TestGenMachine::AppliedAttribute(int index) const noexcept {
  const std::int32_t applied = applied_attributes[index];
  return applied != kNotApplied ? applied : kAttributeRows[index].default_value;
}

void MACHINE_CALL TestGenMachine::ApplyAttributes() noexcept {
  for (int i = 0; i < kAttributeCount; ++i) {
    if (attribute_block[i] != applied_attributes[i]) {
      AttributeChanged(i, attribute_block[i]);
      applied_attributes[i] = attribute_block[i];
    }
  }
}

void TestGenMachine::AttributeChanged(int index, int value) noexcept {
  if (index == kDynamicChannels) {
    // Slots at and above the new count drop out of use at once.
    if (value < channels_in_use) channels_in_use = std::max(track_count, value);
  } else if (index == kTrackAvailableDb) {
    available_level = LevelAt(value);
  }
}

void MACHINE_CALL TestGenMachine::ApplyTick() noexcept {
  for (int i = 0; i < channels_in_use; ++i) channels[i].EndIfQuiet();
  for (int t = 0; t < track_count; ++t) TrackTick(t);
}

void TestGenMachine::TrackTick(int track) noexcept {
  SineChannel& slot = channels[track];
  const std::uint8_t* block = slot.track_block;
  const std::uint8_t note = block[kNoteByte];

  for (int j = 0; j < kControlCount; ++j) {
    const std::uint8_t value = block[kFirstControlByte + j];
    if (value == kNoValue || value == slot.control_bytes[j]) continue;
    slot.control_bytes[j] = value;
    const double converted = SineChannel::ConvertControl(j, value);
    slot.control_values[j] = converted;
    const bool held_back = (kTrackParamRows[kFirstControlByte + j].flags & kMachineMarkerFlag) != 0;
    if (!(IsNote(note) && held_back)) slot.current_channel->ControlChanged(j, converted);
  }

  if (note == kNoteOff) {
    slot.Release();  // the track's own slot, wherever its latest note went
    return;
  }
  if (note == kNoNote) return;

  if (slot.current_channel->active) slot.current_channel->Release();
  SineChannel* channel = AllocateChannel(track);
  slot.current_channel = channel;
  const std::uint8_t velocity_byte = block[kVelocityByte];
  const int velocity =
      velocity_byte == kNoValue ? AppliedAttribute(kDefaultVelocity) : velocity_byte;
  channel->StartNote(NoteIndexOf(note), velocity);
}

SineChannel* TestGenMachine::AllocateChannel(int own_slot) noexcept {
  return ChannelForNote(own_slot, AppliedAttribute(kDynamicChannels), available_level);
}

void MACHINE_CALL TestGenMachine::OnMidiNote(int, int note, int velocity) noexcept {
  if (velocity == 0) {
    for (int i = 0; i < channels_in_use; ++i) {
      if (channels[i].midi_note == note) {
        channels[i].midi_note = kNoMidiNote;
        channels[i].Release();
        return;
      }
    }
    return;
  }
  SineChannel* channel = AllocateChannel(0);
  channel->midi_note = note;
  channel->StartNote(note, velocity + 1);  // keyboard 127 is full level
  channels[0].current_channel = channel;
}

void TestGenMachine::AddSamples(float* destination, const float* source,
                                unsigned long count) noexcept {
  DSP_Add(destination, source, count);
}

void MACHINE_CALL TestGenMachine::RunCommand(int index) noexcept {
  if (index == kAboutCommand) ShowAbout(kAboutTitle, kTestGenDescription.full_name, instance_counter);
}

}  // namespace varnok::testgen
