// Seeded random host input: the same seed replays the same calls.
#pragma once

#include <cstdint>
#include <string>

#include "host/validate/machine_driver.h"

namespace varnok::host::validate {

// splitmix64: small, and the same sequence on every platform and library.
class Random final {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // Uniform enough for test input over [0, n).
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Percent(int chance) { return Below(100) < chance; }

 private:
  std::uint64_t state_;
};

// A seed of its own for each check, so that one check replays alone.
std::uint64_t CheckSeed(std::uint64_t seed, const std::string& check_name);

// A value the host may write for `param`: within its range, its no_value, and
// for note parameters also note-off; notes keep the octave/semitone encoding.
std::uint8_t RandomParamValue(const ParamDescriptor& param, Random& random);

// Writes one tick: each parameter gets a new value with the given chance.
void WriteRandomTick(MachineDriver& driver, Random& random, int new_value_percent);

// Renders one tick's samples in random blocks of at most `largest_block`.
void RenderTick(MachineDriver& driver, Random& random, int largest_block);

// Writes a random tick, applies it and renders it.
void PlayTick(MachineDriver& driver, Random& random);

// Starts a machine as a host does, with a random track count in range.
int RandomTrackCount(const MachineDescription& description, Random& random);

}  // namespace varnok::host::validate
