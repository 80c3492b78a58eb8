// The one function of the host's DSP library (dsplib) that machines import.
#pragma once

#include "framework/abi.h"

// [audio] destination[i] += source[i] for `count` samples, four at a time, then the rest.
DSPLIB_API void DSP_Add(float* destination, const float* source, unsigned long count);
