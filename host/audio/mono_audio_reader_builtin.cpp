// MonoAudioReader where libsndfile is not available: WAV only.
#include "host/audio/mono_audio_reader.h"
#include "host/audio/wav_codec.h"

namespace varnok::host {

struct MonoAudioReader::Impl {
  wav::Reader reader;
};

MonoAudioReader::MonoAudioReader(const std::string& path, int channel)
    : impl_(std::make_unique<Impl>(Impl{wav::Reader(path, channel)})) {}

MonoAudioReader::~MonoAudioReader() = default;

int MonoAudioReader::sample_rate() const { return impl_->reader.sample_rate(); }

std::size_t MonoAudioReader::declared_frames() const { return impl_->reader.declared_frames(); }

std::size_t MonoAudioReader::Read(float* out, std::size_t frames) { return impl_->reader.Read(out, frames); }

}  // namespace varnok::host
