#include "signals.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace varnok::lv2::testing {
namespace {

constexpr double kTwoPi = 6.283185307179586;

float FromBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

std::vector<float> Signal(const std::string& kind, std::size_t frames, int sample_rate) {
  std::vector<float> out(frames);
  std::mt19937 random(20261208);
  std::normal_distribution<float> gauss(0.0f, 0.1f);
  const float edges[] = {0.0f, -0.0f, FromBits(1), FromBits(0x807FFFFF), std::numeric_limits<float>::max(),
                         -std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), FromBits(0x7FC00001), FromBits(0xFFA00000),
                         1.0f, -1.0f};
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / sample_rate;
    if (kind == "sine") {
      out[i] = static_cast<float>(0.5 * std::sin(kTwoPi * 1000.0 * t));
    } else if (kind == "noise") {
      out[i] = gauss(random);
    } else if (kind == "dc") {
      out[i] = 0.25f;
    } else if (kind == "sine_over_dc") {
      out[i] = static_cast<float>(0.1 + 0.3 * std::sin(kTwoPi * 440.0 * t));
    } else if (kind == "step") {
      out[i] = i < frames / 3 ? 0.0f : (std::fmod(t * 100.0, 1.0) < 0.5 ? 1.0f : -1.0f);
    } else {
      out[i] = i % 3 == 0 ? edges[(i / 3) % std::size(edges)] : gauss(random);
    }
  }
  return out;
}

}  // namespace varnok::lv2::testing
