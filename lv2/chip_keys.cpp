#include "lv2/chip_keys.h"

namespace varnok::lv2 {
namespace {

constexpr int kKeysPerOctave = 12;
constexpr int kHighestOctave = static_cast<int>(chip::kOctaveFactors.size()) - 1;

}  // namespace

std::uint8_t ChipNoteOf(int key) noexcept {
  const int octave = key / kKeysPerOctave;
  if (key < 0 || octave > kHighestOctave) return kNoNote;
  return static_cast<std::uint8_t>(octave << 4 | (key % kKeysPerOctave + 1));
}

ChipKeys::ChipKeys(HostedMachine& hosted) noexcept
    : hosted_(hosted),
      notes_(kTracks),
      controls_(Description(), kLayout.first_track_control, kLayout.track_controls) {}

void ChipKeys::OnMidi(const MidiMessage& message) noexcept {
  const int kind = message.status & kMidiKindMask;
  const bool note_on = kind == kMidiNoteOn && message.data2 > 0;
  if (note_on) {
    const std::uint8_t note = ChipNoteOf(message.data1);
    if (note != kNoNote) PlayOnTrack(notes_.Start(message.data1), note);
  } else if (kind == kMidiNoteOn || kind == kMidiNoteOff) {
    const int track = notes_.Stop(message.data1);
    if (track != TrackNotes::kNone) PlayOnTrack(track, kNoteOff);
  } else if (EndsAllNotes(message)) {
    Silence();
  }
}

void ChipKeys::PlayOnTrack(int track, std::uint8_t note) noexcept {
  std::uint8_t* block = hosted_.TrackBlock(track);
  block[chip::kNoteByte] = note;
  hosted_.Machine().ApplyTick();
  block[chip::kNoteByte] = kNoNote;
}

void ChipKeys::Tick() noexcept {
  controls_.Write(hosted_);
  hosted_.Machine().ApplyTick();
  hosted_.ClearValues();
}

void ChipKeys::Silence() noexcept {
  hosted_.Machine().Halt();
  notes_.Clear();
}

}  // namespace varnok::lv2
