// Where each level lies in a table the host's OscillatorTable returns.
#pragma once

namespace varnok {

inline constexpr int kOscillatorTableSamples = 4096;
// Levels 0..10 each hold one cycle, 2048 samples down to 2.
inline constexpr int kOscillatorTableLevels = 11;

// First sample and length of level L (0..10).
constexpr int OscillatorLevelStart(int level) {
  return kOscillatorTableSamples - (kOscillatorTableSamples >> level);
}
constexpr int OscillatorLevelLength(int level) { return (kOscillatorTableSamples / 2) >> level; }

}  // namespace varnok
