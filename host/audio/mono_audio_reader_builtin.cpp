// Where libsndfile is not available, WAV is all there is.
#include "host/audio/mono_audio_reader.h"
#include "host/audio/wav_codec.h"

namespace varnok::host {

std::unique_ptr<AudioSource> OpenOtherAudio(const std::string& path, int channel) {
  return std::make_unique<wav::Reader>(path, channel);
}

}  // namespace varnok::host
