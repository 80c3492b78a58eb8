// The body of DSP_Add, shared by the host library's export and the Chip's own
// copy, so the two cannot drift apart.
#pragma once

#include <cstring>

namespace varnok {

// [audio] destination[i] += source[i] for `count` samples, four at a time, then
// the rest. Each four are read before any is written: a source that starts one
// to three samples before the destination would add differently, and no caller
// overlaps them.
inline void AddSamples(float* destination, const float* source, unsigned long count) noexcept {
  typedef float Four __attribute__((vector_size(16)));
  unsigned long i = 0;
  for (; i + 4 <= count; i += 4) {
    Four sum, addend;
    std::memcpy(&sum, destination + i, sizeof sum);
    std::memcpy(&addend, source + i, sizeof addend);
    sum += addend;
    std::memcpy(destination + i, &sum, sizeof sum);
  }
  for (; i < count; ++i) destination[i] += source[i];
}

}  // namespace varnok
