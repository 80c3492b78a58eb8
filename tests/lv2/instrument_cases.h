// Keyboard notes for the instruments, and the same notes written as a song.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "lv2/lilv_renderer.h"

namespace varnok::lv2::testing {

// 44100 Hz at 125 beats a minute, 4 ticks a beat: the tick when no tempo comes.
inline constexpr std::uint32_t kTick = 5292;

struct Key {
  int tick;
  bool on;
  int key;
  int velocity;  // of a note-on
};

// The keys as MIDI, each `shift` frames after its tick's start.
std::vector<TimedEvent> KeyEvents(const std::vector<Key>& keys, std::uint32_t shift = 0);

// A Test Generator playing `keys` from a keyboard, with attributes set.
std::string KeyboardSong(const std::vector<Key>& keys,
                         const std::vector<std::pair<std::string, int>>& attributes = {});

// A 16-track Chip playing `rows`, one a tick, one note cell a track ("" for
// none, "off", or a note like "A-5" with its control cells after it).
std::string ChipSong(const std::vector<std::vector<std::string>>& rows);

}  // namespace varnok::lv2::testing
