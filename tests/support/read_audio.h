// A whole audio file, read through the host's own reader, for checking what was written.
#pragma once

#include <string>
#include <vector>

#include "host/audio/mono_audio_reader.h"

namespace varnok::testing {

struct Audio {
  std::vector<float> samples;  // full level 32768
  int sample_rate = 0;
};

inline Audio ReadAudio(const std::string& path) {
  host::MonoAudioReader reader(path);
  Audio audio;
  audio.sample_rate = reader.sample_rate();
  float block[4096];
  while (const std::size_t got = reader.Read(block, std::size(block))) {
    for (std::size_t i = 0; i < got; ++i) audio.samples.push_back(block[i] * kFullLevel);
  }
  return audio;
}

}  // namespace varnok::testing
