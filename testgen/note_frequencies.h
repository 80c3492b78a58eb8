// Equal-tempered frequencies of the 128 note indices, index 69 at 440 Hz.
#pragma once

#include <array>

namespace varnok::testgen {

inline constexpr int kNoteCount = 128;
inline constexpr int kHighestNoteIndex = kNoteCount - 1;

extern const std::array<float, kNoteCount> kNoteFrequencies;

// The table row for `note_index`; indices outside the table take its nearer end,
// so notes above G-9 play G-9.
inline float NoteFrequency(int note_index) noexcept {
  if (note_index < 0) note_index = 0;
  if (note_index > kHighestNoteIndex) note_index = kHighestNoteIndex;
  return kNoteFrequencies[note_index];
}

}  // namespace varnok::testgen
