#include "host/core/oscillator_tables.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/render_signal.h"

namespace varnok::host {
namespace {

constexpr double kPi = 3.14159265358979323846;

// One cycle of `length` samples: the partials of the wave below half the length.
std::vector<double> BandLimitedCycle(int waveform, int length) {
  std::vector<double> cycle(length, 0.0);
  const int partials = (length - 1) / 2;  // strictly below length / 2
  if (waveform == kSineWaveform) {
    for (int n = 0; n < length; ++n) cycle[n] = 32767.0 * std::sin(2.0 * kPi * n / length);
    return cycle;
  }
  // 1 - 2x on [0, 1) is the sum of 2 / (pi k) sin(2 pi k x). Sampled half a
  // sample off the jump, where the band-limited ripple peaks lowest: at
  // x = (2n + 1) / 2L every sine is one of 2L values, so a million sin calls
  // become 2L lookups (every table stays the same to the last sample).
  const int turn = 2 * length;  // a power of two
  std::vector<double> sine(turn);
  for (int j = 0; j < turn; ++j) sine[j] = std::sin(kPi * j / length);
  std::vector<double> weight(partials + 1);
  for (int k = 1; k <= partials; ++k) weight[k] = 2.0 / (kPi * k);
  for (int n = 0; n < length; ++n) {
    const int step = 2 * n + 1;
    double sum = 0.0;
    for (int k = 1, j = step; k <= partials; ++k, j = (j + step) & (turn - 1)) sum += weight[k] * sine[j];
    cycle[n] = kFullLevel * sum;
  }
  return cycle;
}

}  // namespace

OscillatorTable BuildOscillatorTable(int waveform) {
  std::vector<std::vector<double>> levels;
  double peak = 0.0;
  for (int level = 0; level < kOscillatorTableLevels; ++level) {
    levels.push_back(BandLimitedCycle(waveform, OscillatorLevelLength(level)));
    for (double v : levels.back()) peak = std::max(peak, std::fabs(v));
  }
  // One scale for all levels, so a note keeps its loudness from level to level.
  const double scale = peak > 32767.0 ? 32767.0 / peak : 1.0;
  OscillatorTable table{};
  for (int level = 0; level < kOscillatorTableLevels; ++level) {
    for (int n = 0; n < OscillatorLevelLength(level); ++n) {
      table[OscillatorLevelStart(level) + n] = static_cast<std::int16_t>(std::lround(levels[level][n] * scale));
    }
  }
  return table;
}

}  // namespace varnok::host
