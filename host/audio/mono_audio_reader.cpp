#include "host/audio/mono_audio_reader.h"

#include <cstring>
#include <fstream>

#include "host/audio/wav_codec.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

bool StartsAsWav(const std::string& path) {
  char head[12] = {};
  std::ifstream file(path, std::ios::binary);
  return file.read(head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

}  // namespace

// Our own reader for the WAV files it knows, which spares a command loading
// libsndfile; the other reader has the last word on the rest.
MonoAudioReader::MonoAudioReader(const std::string& path, int channel) {
  if (StartsAsWav(path)) {
    try {
      source_ = std::make_unique<wav::Reader>(path, channel);
      return;
    } catch (const HostError&) {
    }
  }
  source_ = OpenOtherAudio(path, channel);
}

}  // namespace varnok::host
