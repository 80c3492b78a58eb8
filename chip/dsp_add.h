// The Chip's own add routine: it links against no host library.
#pragma once

namespace varnok::chip {

// [audio] destination[i] += source[i] for `count` samples, four at a time, then the rest.
void DSP_Add(float* destination, const float* source, unsigned long count) noexcept;

}  // namespace varnok::chip
