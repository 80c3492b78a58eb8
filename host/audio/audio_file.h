// Mono audio files for machine-host, on the host's sample scale: the words
// that readers and writers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/render_signal.h"

namespace varnok::host {

enum class SampleFormat { kFloat, kPcm16, kPcm24 };

// "float", "pcm16", "pcm24"; false for anything else.
bool ParseSampleFormat(const std::string& text, SampleFormat& format);
const char* SampleFormatName(SampleFormat format);
// Bytes a sample takes in a file.
constexpr std::uint32_t SampleBytes(SampleFormat format) {
  return format == SampleFormat::kPcm16 ? 2 : format == SampleFormat::kPcm24 ? 3 : 4;
}

// The one place where host samples become a file's samples. Each returns how
// many samples lay beyond full level: clipped to the range in PCM, kept as
// they are in float.
// 16-bit integers, rounded to nearest.
std::size_t ToPcm16(const float* in, std::size_t count, std::int16_t* out);
// 24-bit integers (host units times 256), rounded to nearest.
std::size_t ToPcm24(const float* in, std::size_t count, std::int32_t* out);
// Floats on a scale where full level is 1.
std::size_t ToUnitFloat(const float* in, std::size_t count, float* out);

// Asks a reader for the average of every channel.
inline constexpr int kAllChannels = -1;

}  // namespace varnok::host
