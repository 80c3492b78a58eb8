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
  // Who lets the windows take their refresh messages: the rendering thread
  // after each tick, or the caller's own user-interface loop (PumpDialogMessages).
  enum class Pumping { kAfterEachTick, kByCaller };
  // Opens the window of every Analyzer in `renderer`. [ui] On the thread that
  // renders, or for kByCaller on the one that pumps.
  explicit SongMeters(SongRenderer& renderer, Pumping pumping = Pumping::kAfterEachTick);
  ~SongMeters();
  SongMeters(const SongMeters&) = delete;
  SongMeters& operator=(const SongMeters&) = delete;

  // Refreshes each window for the last tick of the song, as one more tick
  // would, then prints what each shows to `out`, one block per Analyzer.
  void Print(std::FILE* out) const;
  // Prints what each window shows now; PrintedLines lines in all.
  void PrintShown(std::FILE* out) const;
  int PrintedLines() const;
  bool Empty() const { return meters_.empty(); }

 private:
  struct Meter {
    std::size_t machine;
    platform::WindowHandle dialog;
  };
  SongRenderer& renderer_;
  std::vector<Meter> meters_;
};

}  // namespace varnok::host::cli
