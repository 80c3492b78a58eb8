// Values shared by every Chip machine of the library, written by Initialize.
#pragma once

#include <cstdint>

namespace varnok::chip {

class ChipMachine;

// Samples per second of the machine initialized last; channels pitch by it.
extern std::int32_t sample_rate;
// The machine initialized last, or null once it is destroyed.
extern ChipMachine* current_chip;

}  // namespace varnok::chip
