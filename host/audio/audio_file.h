// Mono audio files for machine-host, on the host's sample scale.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnok::host {

// Full level of the host's samples: machines render on a 16-bit scale.
inline constexpr float kFullScale = 32768.0f;

enum class SampleFormat { kFloat, kPcm16, kPcm24 };

// "float", "pcm16", "pcm24"; false for anything else.
bool ParseSampleFormat(const std::string& text, SampleFormat& format);
const char* SampleFormatName(SampleFormat format);

struct WriteReport {
  // Samples beyond full level: clipped in PCM, kept as they are in float.
  std::size_t over_full_scale = 0;
};

// Writes a mono WAV file of `samples` (full level 32768) at `sample_rate`.
// The data goes to a temporary file beside `path` that is renamed into place
// only when complete, so a failure never leaves a partial file at `path`.
// Throws HostError naming the file and the reason.
WriteReport WriteMonoWav(const std::string& path, const float* samples, std::size_t count,
                         int sample_rate, SampleFormat format);

struct MonoAudio {
  std::vector<float> samples;  // full level 32768
  int sample_rate = 0;
};

// Asks a reader for the average of every channel.
inline constexpr int kAllChannels = -1;

// Reads any file libsndfile knows: channel `channel` (from 0) alone, or every
// channel averaged to mono. Throws HostError naming the file and the reason.
MonoAudio ReadMonoAudio(const std::string& path, int channel = kAllChannels);

}  // namespace varnok::host
