// Which of the Chip's tracks plays which key of a keyboard. The Chip plays one
// note a track, so a keyboard's notes are spread over its tracks.
#pragma once

#include <array>
#include <cstdint>

namespace varnok::lv2 {

class TrackNotes final {
 public:
  static constexpr int kMostTracks = 16;
  static constexpr int kNone = -1;

  explicit TrackNotes(int tracks) noexcept;

  // The track for a new note of `key`: the track that plays `key` already (the
  // note starts again there), else the first free track, else the track whose
  // note started first, which gives way.
  int Start(int key) noexcept;
  // The track that plays `key`, now free; kNone when no track plays it.
  int Stop(int key) noexcept;
  // Every track free.
  void Clear() noexcept;

 private:
  int tracks_;
  std::array<int, kMostTracks> key_;  // kNone on a free track
  std::array<std::uint64_t, kMostTracks> started_{};
  std::uint64_t notes_ = 0;  // notes started so far: their order
};

}  // namespace varnok::lv2
