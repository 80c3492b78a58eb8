#include "framework/dsp_add.h"

#include "framework/add_samples.h"

DSPLIB_API void DSP_Add(float* destination, const float* source, unsigned long count) {
  varnok::AddSamples(destination, source, count);
}
