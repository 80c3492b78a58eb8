#include "instrument_cases.h"

namespace varnok::lv2::testing {

std::vector<TimedEvent> KeyEvents(const std::vector<Key>& keys, std::uint32_t shift) {
  std::vector<TimedEvent> events;
  for (const Key& key : keys) {
    const std::uint32_t frame = static_cast<std::uint32_t>(key.tick) * kTick + shift;
    events.push_back(key.on ? NoteOn(frame, key.key, key.velocity) : NoteOff(frame, key.key));
  }
  return events;
}

std::string KeyboardSong(const std::vector<Key>& keys, const std::vector<std::pair<std::string, int>>& attributes) {
  std::string song = "machine keys \"Varnok's Pulse\"\n";
  for (const auto& [name, value] : attributes) {
    song += "attribute keys \"" + name + "\" " + std::to_string(value) + "\n";
  }
  for (const Key& key : keys) {
    song += "key keys " + std::to_string(key.tick) + (key.on ? " on " : " off ") + std::to_string(key.key) +
            (key.on ? " " + std::to_string(key.velocity) : "") + "\n";
  }
  return song;
}

std::string ChipSong(const std::vector<std::vector<std::string>>& rows) {
  std::string song = "machine keys \"Varnok's Chip\" tracks 16\npattern keys p " + std::to_string(rows.size()) + "\n";
  for (const std::vector<std::string>& row : rows) {
    std::string line;
    for (std::size_t track = 0; track < row.size(); ++track) {
      if (track > 0) line += " | ";
      const std::string& cell = row[track];
      line += cell.empty() ? "..." : cell;
      // Every group but the last is written whole.
      if (track + 1 < row.size() && cell.find(' ') == std::string::npos) line += " .. .. ..";
    }
    song += (line.empty() ? "." : line) + "\n";
  }
  return song + "end\nsequence keys p\n";
}

}  // namespace varnok::lv2::testing
