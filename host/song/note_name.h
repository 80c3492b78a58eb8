// Note names as a tracker shows them: "C-4", "C#4", and "off".
#pragma once

#include <cstdint>
#include <string_view>

namespace varnok::host {

inline constexpr std::string_view kNoteOffWord = "off";

// The note byte of a name like C-4 (octave high nibble, semitone 1..12 low):
// C-0..B-9. False for anything else, "off" included.
bool ParseNoteName(std::string_view text, std::uint8_t& note_byte);

// The keyboard note number of a note byte: C-0 is 12, C-4 is 60.
int KeyboardNote(std::uint8_t note_byte);

}  // namespace varnok::host
