// A small RIFF/WAVE reader and writer, for builds without libsndfile (Windows).
#pragma once

#include <cstddef>
#include <string>

#include "host/audio/audio_file.h"

namespace varnok::host::wav {

// Same contract as WriteMonoWav: mono, full level 32768, replaced atomically.
WriteReport Write(const std::string& path, const float* samples, std::size_t count,
                  int sample_rate, SampleFormat format);

// Reads PCM (8, 16, 24, 32 bits) and IEEE float (32, 64 bits) WAV files, plain
// or extensible: one channel, or all averaged to mono. Throws HostError.
MonoAudio Read(const std::string& path, int channel = kAllChannels);

}  // namespace varnok::host::wav
