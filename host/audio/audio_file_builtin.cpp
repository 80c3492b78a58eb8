// The audio files of machine-host where libsndfile is not available: WAV only.
#include "host/audio/audio_file.h"
#include "host/audio/wav_codec.h"

namespace varnok::host {

WriteReport WriteMonoWav(const std::string& path, const float* samples, std::size_t count,
                         int sample_rate, SampleFormat format) {
  return wav::Write(path, samples, count, sample_rate, format);
}

}  // namespace varnok::host
