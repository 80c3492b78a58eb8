#include "host/song/song_words.h"

namespace varnok::host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<Word> SplitWords(const std::string& file, const std::string& line, int line_number) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    const Place place{line_number, static_cast<int>(i) + 1};
    if (line[i] == '#') break;
    if (line[i] == '|') {
      words.push_back({"|", place});
      ++i;
      continue;
    }
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string::npos) throw SongError(file, place, "this quote is never closed");
      words.push_back({line.substr(i + 1, close - i - 1), place});
      i = close + 1;
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '|') ++end;
    words.push_back({line.substr(i, end - i), place});
    i = end;
  }
  return words;
}

}  // namespace varnok::host
