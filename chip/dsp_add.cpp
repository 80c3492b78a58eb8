#include "chip/dsp_add.h"

#include "framework/add_samples.h"

namespace varnok::chip {

void DSP_Add(float* destination, const float* source, unsigned long count) noexcept {
  AddSamples(destination, source, count);
}

}  // namespace varnok::chip
