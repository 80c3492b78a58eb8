#include "framework/dsp_add.h"

DSPLIB_API void DSP_Add(float* destination, const float* source, unsigned long count) {
  unsigned long i = 0;
  for (; i + 4 <= count; i += 4) {
    destination[i] += source[i];
    destination[i + 1] += source[i + 1];
    destination[i + 2] += source[i + 2];
    destination[i + 3] += source[i + 3];
  }
  for (; i < count; ++i) destination[i] += source[i];
}
