// A song made concrete against its plug-ins' descriptions: every pattern cell
// turned into the byte the host writes, every tick's values laid out ready.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/description.h"
#include "host/song/song.h"

namespace varnok::host {

struct BoundMachine {
  std::string name;
  const MachineDescription* description = nullptr;
  int tracks = 0;
  std::vector<std::int32_t> attributes;  // every attribute, in table order
  std::optional<std::vector<std::uint8_t>> state;
  // A frame per tick: the global values, then each track's values, exactly as
  // the value blocks hold them. Each pattern's frames are laid out once; the
  // sequence is runs of them, so a long song costs no more than its patterns.
  int global_bytes = 0;
  int track_bytes = 0;  // all tracks together
  std::vector<std::uint8_t> empty_frame;  // after the sequence ends
  int tick_count = 0;                     // ticks its sequence lasts
  std::vector<KeyEvent> keys;             // by tick; file order within a tick
  std::vector<int> inputs;                // machines that feed it
  bool to_master = false;
  float gain = 1.0f;  // applied to its output

  struct Run {
    int first_tick;
    int pattern;  // index into pattern_frames
    int rows;     // the pattern's length; the run repeats it to the next run
  };
  std::vector<std::vector<std::uint8_t>> pattern_frames;  // by Song::patterns index; other machines' stay empty
  std::vector<Run> runs;                                  // in tick order

  // The frame of `tick`: from the sequence, or empty after it.
  const std::uint8_t* Frame(int tick) const;
};

struct BoundSong {
  int beats_per_minute = 0;
  int ticks_per_beat = 0;
  int sample_rate = 0;
  std::vector<BoundMachine> machines;  // in the order they are placed
  std::vector<int> render_order;       // every machine after those feeding it
  int length_ticks = 0;                // to the last row or key event
};

// `descriptions[i]` belongs to song.machines[i]. Throws SongError naming the
// place of the first cell, track count, attribute or route that does not fit,
// and HostError for a song that plays nothing.
BoundSong BindSong(const Song& song, const std::vector<const MachineDescription*>& descriptions);

}  // namespace varnok::host
