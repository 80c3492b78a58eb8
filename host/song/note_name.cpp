#include "host/song/note_name.h"

#include <array>

#include "framework/description.h"

namespace varnok::host {
namespace {

// Semitones 1..12 as their names are written, sharps with '#', naturals with '-'.
constexpr std::array<std::string_view, 12> kSemitoneNames = {
    "C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
constexpr int kOctaves = 10;
constexpr int kKeyboardNoteOfC0 = 12;

}  // namespace

bool ParseNoteName(std::string_view text, std::uint8_t& note_byte) {
  if (text.size() != 3 || text[2] < '0' || text[2] >= '0' + kOctaves) return false;
  for (std::size_t s = 0; s < kSemitoneNames.size(); ++s) {
    if (text.substr(0, 2) == kSemitoneNames[s]) {
      note_byte = static_cast<std::uint8_t>(((text[2] - '0') << 4) | (s + 1));
      return true;
    }
  }
  return false;
}

int KeyboardNote(std::uint8_t note_byte) {
  return 12 * (note_byte >> 4) + (note_byte & 15) - 1 + kKeyboardNoteOfC0;
}

}  // namespace varnok::host
