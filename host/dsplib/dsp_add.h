// The host's DSP library, a shared library of its own (dsplib.dll on Windows).
#pragma once

#include "framework/abi.h"

// Adds `count` samples of `source` into `destination`, four at a time, then the rest.
DSPLIB_API void DSP_Add(float* destination, const float* source, unsigned long count);
