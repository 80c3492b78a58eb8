// The channel allocator the generators share: a note goes to its track's own
// channel or a shared one, the first that is never used or quiet, else the
// quietest.
#pragma once

namespace varnok {

// [audio] The index of the channel for a new note of `own`, among [0, bound).
// Channels below `tracks` other than `own` belong to other tracks. One at or
// above `in_use` has never been used: it is taken at once, and `in_use` grows
// to cover it so that Render reaches it. Otherwise the first whose
// level_of(index) lies below `available` is taken, else the lowest level (the
// lower index among equals); `above_any` lies above every level. With no
// candidate at all, `own`.
template <class LevelOf>
int AllocateChannelIndex(int own, int tracks, int bound, int& in_use, double available,
                         double above_any, LevelOf level_of) noexcept {
  double best = above_any;
  int chosen = own;
  for (int i = 0; i < bound; ++i) {
    if (i < tracks && i != own) continue;
    if (i >= in_use) {
      in_use = i + 1;
      return i;
    }
    const double level = level_of(i);
    if (level < best) {
      best = level;
      chosen = i;
    }
    if (best < available) break;
  }
  return chosen;
}

}  // namespace varnok
