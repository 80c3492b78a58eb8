// A mistake in a song file, told as file:line:column: what was expected.
#pragma once

#include <string>

#include "host/core/host_error.h"

namespace varnok::host {

// Where a word stands in a song file; both counted from 1.
struct Place {
  int line = 0;
  int column = 0;
};

// A word of the song in quotes for a message: its first 40 characters and a
// count of the rest when longer, so that a runaway word cannot flood the line.
inline std::string Quoted(const std::string& word) {
  constexpr std::size_t kShownCharacters = 40;
  if (word.size() <= kShownCharacters) return "'" + word + "'";
  std::size_t cut = kShownCharacters;
  while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  return "'" + word.substr(0, cut) + "...' (" + std::to_string(word.size()) + " bytes)";
}

class SongError final : public HostError {
 public:
  SongError(const std::string& file, Place place, const std::string& what)
      : HostError(file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) +
                  ": " + what) {}
};

}  // namespace varnok::host
