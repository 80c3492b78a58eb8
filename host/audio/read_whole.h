// Drains a block reader into one MonoAudio.
#pragma once

#include <cstddef>

#include "host/audio/audio_file.h"

namespace varnok::host {

// `Reader` has sample_rate(), frames_hint() and Read(float*, frames).
template <class Reader>
MonoAudio ReadWhole(Reader& reader) {
  constexpr std::size_t kBlock = 4096;
  MonoAudio audio;
  audio.sample_rate = reader.sample_rate();
  audio.samples.reserve(reader.frames_hint());
  for (;;) {
    const std::size_t at = audio.samples.size();
    audio.samples.resize(at + kBlock);
    const std::size_t got = reader.Read(audio.samples.data() + at, kBlock);
    audio.samples.resize(at + got);
    if (got == 0) return audio;
  }
}

}  // namespace varnok::host
