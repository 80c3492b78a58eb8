// Test signals on LV2's scale (full level 1.0), the same for every run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnok::lv2::testing {

// "sine" (1 kHz at half level), "noise" (Gaussian, 0.1 deviation), "dc" (0.25),
// "sine_over_dc" (440 Hz of 0.3 over 0.1), "step" (silence, then a full-level
// 100 Hz square), "edges" (zeros of both signs, denormals, the largest floats,
// infinities and NaNs of several payloads, between random samples).
std::vector<float> Signal(const std::string& kind, std::size_t frames, int sample_rate = 44100);

}  // namespace varnok::lv2::testing
