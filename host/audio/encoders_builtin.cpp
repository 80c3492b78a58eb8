// The encoders of a build without libsndfile: WAV only.
#include "host/audio/audio_encoder.h"
#include "host/audio/wav_codec.h"

namespace varnok::host {

bool BuildWrites(Container container) { return container == Container::kWav; }

std::unique_ptr<Encoder> MakeEncoder(std::FILE* file, const std::string& shown, const OutputFormat& format,
                                     int sample_rate, std::uint64_t frames) {
  return std::make_unique<wav::Encoder>(file, shown, format.samples, sample_rate, frames);
}

}  // namespace varnok::host
