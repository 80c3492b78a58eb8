// Whole files, for callers that need every sample at once.
#include "host/audio/audio_file.h"
#include "host/audio/mono_audio_reader.h"
#include "host/audio/read_whole.h"

namespace varnok::host {

MonoAudio ReadMonoAudio(const std::string& path, int channel) {
  MonoAudioReader reader(path, channel);
  return ReadWhole(reader);
}

}  // namespace varnok::host
