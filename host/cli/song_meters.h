// The Analyzers of a song, read as a user reads them: their windows are opened
// before the song plays and read once it has.
#pragma once

#include <cstdio>
#include <vector>

#include "host/render/song_renderer.h"
#include "platform/dialog.h"

namespace varnok::host::cli {

class SongMeters {
 public:
  // Opens the window of every Analyzer in `renderer` and lets the windows
  // refresh after each tick. [ui] On the thread that renders.
  explicit SongMeters(SongRenderer& renderer);
  ~SongMeters();
  SongMeters(const SongMeters&) = delete;
  SongMeters& operator=(const SongMeters&) = delete;

  // Refreshes each window for the last tick of the song, as one more tick
  // would, then prints what each shows to `out`, one block per Analyzer.
  void Print(std::FILE* out) const;

 private:
  struct Meter {
    std::size_t machine;
    platform::WindowHandle dialog;
  };
  SongRenderer& renderer_;
  std::vector<Meter> meters_;
};

}  // namespace varnok::host::cli
