// Reads the MIDI bytes a host sends as one stream, as a keyboard's cable
// carries them: running status, system exclusive and real-time bytes between
// the messages. Only channel messages come out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::lv2 {

struct MidiMessage {
  std::uint8_t status;  // 0x80 to 0xEF: the kind in the high nibble, the channel in the low
  std::uint8_t data1;
  std::uint8_t data2;   // 0 for the kinds with one data byte
};

inline constexpr std::uint8_t kMidiNoteOff = 0x80;
inline constexpr std::uint8_t kMidiNoteOn = 0x90;
inline constexpr std::uint8_t kMidiControlChange = 0xB0;
inline constexpr std::uint8_t kMidiKindMask = 0xF0;

// Controllers 120 (all sound off) and 123 to 127 (all notes off, and the mode
// changes that imply it) end every note.
constexpr bool EndsAllNotes(const MidiMessage& message) noexcept {
  return (message.status & kMidiKindMask) == kMidiControlChange &&
         (message.data1 == 120 || message.data1 >= 123);
}

class MidiStream final {
 public:
  // [audio] Reads `size` bytes on from where the last call stopped, and hands
  // each complete channel message to `take`. A data byte with no status before
  // it, and everything of a system message, is passed over.
  template <class Take>
  void Feed(const std::uint8_t* bytes, std::size_t size, Take&& take) noexcept {
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint8_t byte = bytes[i];
      if (byte >= kFirstRealTime) continue;  // may stand anywhere; changes nothing
      if (byte >= kFirstSystem) {            // system exclusive and common end running status
        status_ = 0;
        continue;
      }
      if (byte >= kFirstStatus) {
        status_ = byte;
        have_ = 0;
        continue;
      }
      if (status_ == 0) continue;
      data_[have_++] = byte;
      if (have_ < DataBytes(status_)) continue;
      take(MidiMessage{status_, data_[0], have_ == 2 ? data_[1] : std::uint8_t{0}});
      have_ = 0;  // the status runs on for the next message
    }
  }

  // [audio] Forgets a message begun and the running status.
  void Reset() noexcept {
    status_ = 0;
    have_ = 0;
  }

 private:
  static constexpr std::uint8_t kFirstStatus = 0x80;
  static constexpr std::uint8_t kFirstSystem = 0xF0;
  static constexpr std::uint8_t kFirstRealTime = 0xF8;

  // Program change and channel pressure carry one data byte, the others two.
  static constexpr int DataBytes(std::uint8_t status) noexcept {
    const std::uint8_t kind = status & kMidiKindMask;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
  }

  std::uint8_t status_ = 0;  // the running status; 0 for none
  std::uint8_t data_[2] = {0, 0};
  int have_ = 0;
};

}  // namespace varnok::lv2
