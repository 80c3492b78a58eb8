#include "host/validate/workload.h"

#include <algorithm>

namespace varnok::host::validate {
namespace {

constexpr int kHighestOctave = 9;
constexpr int kSemitones = 12;
constexpr int kPlayBlock = 512;

}  // namespace

std::uint64_t Random::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t CheckSeed(std::uint64_t seed, const std::string& check_name) {
  std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (char c : check_name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return seed ^ hash;
}

std::uint8_t RandomParamValue(const ParamDescriptor& param, Random& random) {
  if (random.Percent(10)) return static_cast<std::uint8_t>(param.no_value);
  if (param.kind == kNoteParam) {
    if (random.Percent(15)) return kNoteOff;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const int note = (random.Between(0, kHighestOctave) << 4) | random.Between(1, kSemitones);
      if (note >= param.min_value && note <= param.max_value) return static_cast<std::uint8_t>(note);
    }
    return static_cast<std::uint8_t>(param.min_value);
  }
  // The edges of the range are where mistakes live.
  if (random.Percent(10)) return static_cast<std::uint8_t>(param.min_value);
  if (random.Percent(10)) return static_cast<std::uint8_t>(param.max_value);
  return static_cast<std::uint8_t>(random.Between(param.min_value, param.max_value));
}

void WriteRandomTick(MachineDriver& driver, Random& random, int new_value_percent) {
  const MachineDescription& d = driver.Description();
  driver.WriteNoValues();
  for (int i = 0; i < d.global_param_count; ++i) {
    if (random.Percent(new_value_percent)) driver.WriteValue(i, 0, RandomParamValue(*d.params[i], random));
  }
  for (int t = 0; t < driver.TrackCount(); ++t) {
    for (int i = d.global_param_count; i < driver.ParamCount(); ++i) {
      if (random.Percent(new_value_percent)) {
        driver.WriteValue(i, t, RandomParamValue(*d.params[i], random));
      }
    }
  }
}

void RenderTick(MachineDriver& driver, Random& random, int largest_block) {
  int left = driver.SamplesPerTick();
  while (left > 0) {
    const int block = std::min(left, random.Between(1, largest_block));
    driver.Render(block, random.Below(4));
    left -= block;
  }
}

void PlayTick(MachineDriver& driver, Random& random) {
  WriteRandomTick(driver, random, 40);
  driver.Tick();
  RenderTick(driver, random, kPlayBlock);
}

int RandomTrackCount(const MachineDescription& description, Random& random) {
  return random.Between(description.min_tracks, description.max_tracks);
}

}  // namespace varnok::host::validate
