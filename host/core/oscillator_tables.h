// The host's mip-mapped single-cycle tables.
#pragma once

#include <array>
#include <cstdint>

#include "framework/oscillator_table_layout.h"

namespace varnok::host {

inline constexpr int kWaveformCount = 2;
inline constexpr int kSineWaveform = 0;
inline constexpr int kSawWaveform = 1;

using OscillatorTable = std::array<std::int16_t, kOscillatorTableSamples>;

// Every level holds one cycle with no partial at or above half its length, so a
// reader stepping at most one sample per output sample does not alias.
//   waveform 0: a sine of peak 32767;
//   waveform 1: a sawtooth falling by 65536 over the cycle, sampled half a
//               sample after the jump, its partials scaled by one factor for
//               all levels (about 0.978) so that the ripple fits 16 bits.
OscillatorTable BuildOscillatorTable(int waveform);

}  // namespace varnok::host
