// Splits one line of a song file into words.
#pragma once

#include <string>
#include <vector>

#include "host/song/song.h"

namespace varnok::host {

// Words are separated by blanks; "a quoted text" is one word (without its
// quotes); '|' is always a word of its own; a word starting with '#' begins a
// comment that runs to the end of the line. Throws SongError for an
// unterminated quote.
std::vector<Word> SplitWords(const std::string& file, const std::string& line, int line_number);

}  // namespace varnok::host
