// Every limit of the song format, in one place; docs/song-format.md lists them.
#pragma once

#include <cstddef>

namespace varnok::host {

inline constexpr std::size_t kMaxSongBytes = std::size_t{64} << 20;  // the file
inline constexpr int kMaxTempo = 999;          // beats per minute, from 1
inline constexpr int kMaxTicksPerBeat = 64;    // from 1
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 192000;
inline constexpr int kMaxMachines = 256;
inline constexpr int kMaxTracks = 256;         // the plug-in's own range applies as well
inline constexpr int kMaxVolumePercent = 400;  // from 0
inline constexpr int kMaxPatternRows = 4096;   // from 1
inline constexpr int kMaxRepeat = 256;         // a sequence's PATTERN*N, from 1
inline constexpr int kHighestKey = 127;        // keyboard notes, from 0
inline constexpr int kHighestVelocity = 127;   // keyboard note-on, from 1
// A song, to its last row or key event, lasts at most this many ticks (so the
// last key event stands at tick kMaxSongTicks - 1) and at most this long.
inline constexpr int kMaxSongTicks = 1 << 24;
inline constexpr int kMaxSongHours = 24;

}  // namespace varnok::host
