#include "lv2/track_notes.h"

#include <algorithm>

namespace varnok::lv2 {

TrackNotes::TrackNotes(int tracks) noexcept : tracks_(std::clamp(tracks, 1, kMostTracks)) { Clear(); }

int TrackNotes::Start(int key) noexcept {
  int track = kNone;
  for (int t = 0; t < tracks_ && track == kNone; ++t) {
    if (key_[t] == key) track = t;
  }
  for (int t = 0; t < tracks_ && track == kNone; ++t) {
    if (key_[t] == kNone) track = t;
  }
  if (track == kNone) {
    track = static_cast<int>(std::min_element(started_.begin(), started_.begin() + tracks_) - started_.begin());
  }
  key_[track] = key;
  started_[track] = ++notes_;
  return track;
}

int TrackNotes::Stop(int key) noexcept {
  for (int t = 0; t < tracks_; ++t) {
    if (key_[t] == key) {
      key_[t] = kNone;
      return t;
    }
  }
  return kNone;
}

void TrackNotes::Clear() noexcept { key_.fill(kNone); }

}  // namespace varnok::lv2
