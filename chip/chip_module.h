// Values shared by every Chip machine of the library, written by Initialize.
#pragma once

#include <cstdint>

namespace varnok::chip {

// Samples per second of the machine initialized last; channels pitch by it.
extern std::int32_t sample_rate;

}  // namespace varnok::chip
