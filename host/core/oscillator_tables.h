// The host's mip-mapped single-cycle tables.
#pragma once

#include <array>
#include <cstdint>

namespace varnok::host {

inline constexpr int kTableSamples = 4096;
inline constexpr int kTableLevels = 11;  // levels 0..10, 2048 down to 2 samples
inline constexpr int kWaveformCount = 2;
inline constexpr int kSineWaveform = 0;
inline constexpr int kSawWaveform = 1;

// First sample and length of level L (0..10).
constexpr int LevelStart(int level) { return kTableSamples - (kTableSamples >> level); }
constexpr int LevelLength(int level) { return 2048 >> level; }

using OscillatorTable = std::array<std::int16_t, kTableSamples>;

// Every level holds one cycle with no partial at or above half its length, so a
// reader stepping at most one sample per output sample does not alias.
//   waveform 0: a sine of peak 32767;
//   waveform 1: a sawtooth falling by 65536 over the cycle, sampled half a
//               sample after the jump, its partials scaled by one factor for
//               all levels (about 0.978) so that the ripple fits 16 bits.
OscillatorTable BuildOscillatorTable(int waveform);

}  // namespace varnok::host
