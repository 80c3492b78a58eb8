// MonoAudioReader on libsndfile: any format it knows.
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/audio/mono_audio_reader.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

// Frames per call into libsndfile: large enough to amortize the call, small
// enough to stay in cache.
constexpr std::size_t kChunk = 4096;

struct CloseSoundFile {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

// Bytes of one sample in the file, for the subtypes a header counts in bytes.
int BytesPerSample(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 1;
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 0;
  }
}

// libsndfile shortens a cut WAV or AIFF to what the file holds and says what
// the header declared only in its log: "data : 88200 (should be 49956)".
sf_count_t DeclaredFrames(SNDFILE* file, const SF_INFO& info) {
  char log[4096] = {};
  sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
  const int frame_bytes = BytesPerSample(info.format) * std::max(info.channels, 1);
  for (const char* line = log; frame_bytes > 0 && (line = std::strstr(line, "\n")) != nullptr;) {
    ++line;
    long long declared = 0;
    long long held = 0;
    if (std::sscanf(line, "%*4[a-zA-Z ] : %lld (should be %lld)", &declared, &held) == 2 &&
        std::strncmp(line, "data", 4) == 0 && declared > held) {
      return std::max<sf_count_t>(info.frames, declared / frame_bytes);
    }
  }
  return info.frames;
}

// Why a file would not open, in plain words: libsndfile's own texts ("System
// error : ...", "SF_INFO struct incomplete") speak of its insides.
std::string WhyNotOpened(int error, int system_error) {
  switch (error) {
    case SF_ERR_SYSTEM:
      return std::strerror(system_error);
    case SF_ERR_UNRECOGNISED_FORMAT:
      return "not an audio file of a kind this build reads";
    case SF_ERR_MALFORMED_FILE:
      return "a damaged audio file";
    case SF_ERR_UNSUPPORTED_ENCODING:
      return "an audio encoding this build does not read";
    default:
      return "not a readable audio file";
  }
}

}  // namespace

struct MonoAudioReader::Impl {
  std::unique_ptr<SNDFILE, CloseSoundFile> file;
  SF_INFO info{};
  sf_count_t declared_frames = 0;
  int channels = 1;
  int channel = kAllChannels;
  std::vector<float> interleaved;  // reused for files of more than one channel
};

MonoAudioReader::MonoAudioReader(const std::string& path, int channel) : impl_(std::make_unique<Impl>()) {
  errno = 0;
  impl_->file.reset(sf_open(path.c_str(), SFM_READ, &impl_->info));
  if (impl_->file == nullptr) throw HostError(path + ": cannot read: " + WhyNotOpened(sf_error(nullptr), errno));
  impl_->declared_frames = DeclaredFrames(impl_->file.get(), impl_->info);
  impl_->channels = std::max(impl_->info.channels, 1);
  if (channel >= impl_->channels) {
    throw HostError(path + ": has no channel " + std::to_string(channel) + " (channels 0 to " +
                    std::to_string(impl_->channels - 1) + ")");
  }
  impl_->channel = channel;
  if (impl_->channels > 1) impl_->interleaved.resize(kChunk * static_cast<std::size_t>(impl_->channels));
}

MonoAudioReader::~MonoAudioReader() = default;

int MonoAudioReader::sample_rate() const { return impl_->info.samplerate; }

std::size_t MonoAudioReader::declared_frames() const {
  return static_cast<std::size_t>(std::max<sf_count_t>(impl_->declared_frames, 0));
}

std::size_t MonoAudioReader::Read(float* out, std::size_t frames) {
  SNDFILE* file = impl_->file.get();
  const int channels = impl_->channels;
  std::size_t done = 0;
  if (channels == 1) {
    // Straight into `out`: scaling by a power of two is exact either way.
    while (done < frames) {
      const sf_count_t got = sf_readf_float(file, out + done, static_cast<sf_count_t>(frames - done));
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    for (std::size_t i = 0; i < done; ++i) out[i] *= kFullLevel;
    return done;
  }
  float* const in = impl_->interleaved.data();
  const int channel = impl_->channel;
  while (done < frames) {
    const auto wanted = static_cast<sf_count_t>(std::min(kChunk, frames - done));
    const sf_count_t got = sf_readf_float(file, in, wanted);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      const float* frame = in + f * channels;
      if (channel >= 0) {
        out[done++] = frame[channel] * kFullLevel;
        continue;
      }
      double sum = 0.0;
      for (int c = 0; c < channels; ++c) sum += frame[c];
      out[done++] = static_cast<float>(sum / channels * kFullLevel);
    }
  }
  return done;
}

}  // namespace varnok::host
