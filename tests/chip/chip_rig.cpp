#include "chip_rig.h"

#include <cfenv>
#include <cmath>
#include <random>

namespace varnok::chip {

FakeHost::FakeHost() {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  for (auto& s : pulse) s = static_cast<std::int16_t>(sample(random));
  for (auto& s : plain) s = static_cast<std::int16_t>(sample(random));
}

ChipRig::ChipRig(int sample_rate, int tracks) {
  info.sample_rate = sample_rate;
  machine.host_info = &info;
  machine.host_services = &host;
  machine.Initialize(nullptr);
  machine.SetTrackCount(tracks);
  machine.ApplyAttributes();
}

void ChipRig::Tick(int track, std::uint8_t note, std::uint8_t c1, std::uint8_t c2,
                   std::uint8_t c3) {
  for (int t = 0; t < kMaxTracks; ++t) {
    std::uint8_t* block = machine.track_values + t * kTrackParamCount;
    const bool this_one = t == track;
    block[0] = this_one ? note : 0;
    block[1] = this_one ? c1 : 255;
    block[2] = this_one ? c2 : 255;
    block[3] = this_one ? c3 : 255;
  }
  machine.ApplyTick();
}

std::vector<float> ChipRig::Render(int count) {
  std::vector<float> out(count, 0.0f);
  machine.Render(out.data(), count, 0);
  return out;
}

ReferenceVoice::ReferenceVoice(const ChipChannel& channel)
    : samples(channel.level_samples),
      mask(channel.index_mask),
      offset(channel.pulse_offset),
      dc(channel.dc_offset),
      phase(channel.phase),
      step(channel.step) {}

std::vector<float> ReferenceVoice::Render(int count) {
  std::vector<float> out(count);
  const int saved = std::fegetround();
  std::fesetround(FE_DOWNWARD);
  for (float& sample : out) {
    const std::int64_t k = static_cast<std::int64_t>(std::floor(phase));
    const double f = phase - static_cast<double>(k);
    const int a = samples[k & mask];
    const int b = samples[(k + 1) & mask];
    const int c = samples[(k + offset) & mask];
    const int d = samples[(k + offset + 1) & mask];
    sample = static_cast<float>((a - c) + f * ((b - a) - d + c) + dc);
    phase += step;
  }
  std::fesetround(saved);
  return out;
}

}  // namespace varnok::chip
