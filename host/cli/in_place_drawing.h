// Lines drawn in place on a terminal, each drawing over the one before: the
// live meters of analyze and of play.
#pragma once

#include <cstdio>

namespace varnok::host::cli {

class InPlaceDrawing {
 public:
  // Moves back over the last drawing and clears from there, then lets `draw`
  // print `lines` lines to standard output, and shows them.
  template <class Draw>
  void Redraw(int lines, const Draw& draw) {
    if (lines_ > 0) std::printf("\x1b[%dA", lines_);
    std::printf("\x1b[J");
    draw();
    std::fflush(stdout);
    lines_ = lines;
  }
  // Takes the last drawing away, so that what is printed next stands in its place.
  void Clear() {
    if (lines_ > 0) std::printf("\x1b[%dA\x1b[J", lines_);
    lines_ = 0;
  }

 private:
  int lines_ = 0;  // of the last drawing; none before the first
};

}  // namespace varnok::host::cli
