#include "host/audio/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include "host/core/host_error.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 4096;

// Integer ranges of the PCM formats, in the host's units scaled to the format.
constexpr double kPcm16Scale = 1.0;    // host units are 16-bit already
constexpr double kPcm24Scale = 256.0;  // 8 more bits
constexpr long kPcm16Max = 32767;
constexpr long kPcm24Max = 8388607;

class SoundFile {
 public:
  SoundFile(const std::string& path, int mode, SF_INFO& info)
      : file_(sf_open(path.c_str(), mode, &info)) {}
  ~SoundFile() {
    if (file_ != nullptr) sf_close(file_);
  }
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  SNDFILE* Get() const { return file_; }
  // Closes now so that a failure to flush is seen; returns libsndfile's code.
  int Close() { return sf_close(std::exchange(file_, nullptr)); }

 private:
  SNDFILE* file_;
};

std::string Reason(SNDFILE* file) { return sf_strerror(file); }

// A name beside `path` that no other writer is likely to pick.
fs::path TemporaryPathFor(const fs::path& path) {
  std::random_device random;
  const auto tag = std::to_string(random() % 1000000u);
  return path.parent_path() / ("." + path.filename().string() + "." + tag + ".partial");
}

// Rounds to the format's integers and counts what does not fit.
template <class Int>
std::size_t ConvertToPcm(const float* in, std::size_t n, double scale, long max, Int* out) {
  std::size_t clipped = 0;
  for (std::size_t i = 0; i < n; ++i) {
    long v = std::lround(static_cast<double>(in[i]) * scale);
    if (v > max || v < -max - 1) {
      ++clipped;
      v = std::clamp(v, -max - 1, max);
    }
    out[i] = static_cast<Int>(v);
  }
  return clipped;
}

int MajorFormat(SampleFormat format) {
  switch (format) {
    case SampleFormat::kPcm16: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SampleFormat::kPcm24: return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case SampleFormat::kFloat: break;
  }
  return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

// Writes every sample; returns the count beyond full level, or throws.
std::size_t WriteSamples(SNDFILE* file, const std::string& shown, const float* samples,
                         std::size_t count, SampleFormat format) {
  std::size_t over = 0;
  std::array<float, kChunk> floats;
  std::array<short, kChunk> shorts;
  std::array<int, kChunk> ints;
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(kChunk, count - done);
    const float* in = samples + done;
    sf_count_t written = 0;
    if (format == SampleFormat::kPcm16) {
      over += ConvertToPcm(in, n, kPcm16Scale, kPcm16Max, shorts.data());
      written = sf_write_short(file, shorts.data(), static_cast<sf_count_t>(n));
    } else if (format == SampleFormat::kPcm24) {
      over += ConvertToPcm(in, n, kPcm24Scale, kPcm24Max, ints.data());
      // libsndfile takes ints at 32-bit full scale and keeps the top 24 bits.
      for (std::size_t i = 0; i < n; ++i) ints[i] = static_cast<int>(static_cast<unsigned>(ints[i]) << 8);
      written = sf_write_int(file, ints.data(), static_cast<sf_count_t>(n));
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        if (std::fabs(in[i]) > kFullScale) ++over;
        floats[i] = in[i] / kFullScale;
      }
      written = sf_write_float(file, floats.data(), static_cast<sf_count_t>(n));
    }
    if (written != static_cast<sf_count_t>(n)) {
      throw HostError(shown + ": cannot write: " + Reason(file));
    }
    done += n;
  }
  return over;
}

}  // namespace

WriteReport WriteMonoWav(const std::string& path, const float* samples, std::size_t count,
                         int sample_rate, SampleFormat format) {
  const fs::path target(path);
  const fs::path temporary = TemporaryPathFor(target);
  WriteReport report;
  try {
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = 1;
    info.format = MajorFormat(format);
    SoundFile file(temporary.string(), SFM_WRITE, info);
    if (file.Get() == nullptr) throw HostError(path + ": cannot create: " + Reason(nullptr));
    report.over_full_scale = WriteSamples(file.Get(), path, samples, count, format);
    if (file.Close() != 0) throw HostError(path + ": cannot finish writing");
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) throw HostError(path + ": cannot move the finished file into place: " + error.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
  return report;
}

}  // namespace varnok::host
