// The reader of every other format libsndfile knows.
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/audio/mono_audio_reader.h"
#include "host/audio/sndfile_library.h"
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
  // An MPEG stream's count is an estimate from its size: what it holds is all it declares.
  if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) return 0;
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

class SndfileSource final : public AudioSource {
 public:
  SndfileSource(const std::string& path, int channel) {
    std::string missing;
    if (!OpenSndfileLibrary(missing)) throw HostError(path + ": cannot read: libsndfile is not installed (" + missing + ")");
    errno = 0;
    file_.reset(sf_open(path.c_str(), SFM_READ, &info_));
    if (file_ == nullptr) throw HostError(path + ": cannot read: " + WhyNotOpened(sf_error(nullptr), errno));
    declared_frames_ = DeclaredFrames(file_.get(), info_);
    channels_ = std::max(info_.channels, 1);
    if (channel >= channels_) {
      throw HostError(path + ": has no channel " + std::to_string(channel) + " (channels 0 to " +
                      std::to_string(channels_ - 1) + ")");
    }
    channel_ = channel;
    if (channels_ > 1) interleaved_.resize(kChunk * static_cast<std::size_t>(channels_));
  }

  int sample_rate() const override { return info_.samplerate; }

  std::size_t declared_frames() const override {
    return static_cast<std::size_t>(std::max<sf_count_t>(declared_frames_, 0));
  }

  std::size_t Read(float* out, std::size_t frames) override {
    std::size_t done = 0;
    if (channels_ == 1) {
      while (done < frames) {
        const sf_count_t got = sf_readf_float(file_.get(), out + done, static_cast<sf_count_t>(frames - done));
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
      }
      return done;
    }
    float* const in = interleaved_.data();
    while (done < frames) {
      const auto wanted = static_cast<sf_count_t>(std::min(kChunk, frames - done));
      const sf_count_t got = sf_readf_float(file_.get(), in, wanted);
      if (got <= 0) break;
      for (sf_count_t f = 0; f < got; ++f) {
        const float* frame = in + f * channels_;
        if (channel_ >= 0) {
          out[done++] = frame[channel_];
          continue;
        }
        double sum = 0.0;
        for (int c = 0; c < channels_; ++c) sum += frame[c];
        out[done++] = static_cast<float>(sum / channels_);
      }
    }
    return done;
  }

 private:
  std::unique_ptr<SNDFILE, CloseSoundFile> file_;
  SF_INFO info_{};
  sf_count_t declared_frames_ = 0;
  int channels_ = 1;
  int channel_ = kAllChannels;
  std::vector<float> interleaved_;  // reused for files of more than one channel
};

}  // namespace

std::unique_ptr<AudioSource> OpenOtherAudio(const std::string& path, int channel) {
  return std::make_unique<SndfileSource>(path, channel);
}

}  // namespace varnok::host
