// What the samples and the mode of Render mean, for machines and hosts alike.
#pragma once

namespace varnok {

// Samples are 32-bit floats on a scale where full level is this.
inline constexpr float kFullLevel = 32768.0f;

// Bit 0 of Render's `mode`: the buffer holds the incoming signal.
inline constexpr int kRenderHasInput = 1;

}  // namespace varnok
