// The encoders of a build with libsndfile: WAV of our own (it streams), and
// FLAC, Ogg Vorbis and AIFF through the library.
#include <sndfile.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "host/audio/audio_encoder.h"
#include "host/audio/ogg_serial.h"
#include "host/audio/sndfile_library.h"
#include "host/audio/wav_codec.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

int LibraryFormat(const OutputFormat& format) {
  const int samples = format.samples == SampleFormat::kPcm16   ? SF_FORMAT_PCM_16
                      : format.samples == SampleFormat::kPcm24 ? SF_FORMAT_PCM_24
                                                               : SF_FORMAT_FLOAT;
  switch (format.container) {
    case Container::kFlac: return SF_FORMAT_FLAC | samples;
    case Container::kOgg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case Container::kAiff: return SF_FORMAT_AIFF | samples;
    case Container::kWav: break;
  }
  return SF_FORMAT_WAV | samples;
}

// libsndfile writing through our open file, so that a temporary file, a
// device, a FIFO and standard output are all alike to it.
class SndfileEncoder final : public Encoder {
 public:
  SndfileEncoder(std::FILE* file, std::string shown, const OutputFormat& format, int sample_rate)
      : file_(file), shown_(std::move(shown)) {
    std::string missing;
    if (!OpenSndfileLibrary(missing)) {
      throw HostError(shown_ + ": cannot write " + Describe(format) + ": libsndfile is not installed (" + missing + ")");
    }
    if (format.container == Container::kOgg) {
      pages_.emplace([this](const std::uint8_t* bytes, std::size_t count) { return Put(bytes, count) == count; });
    }
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = 1;
    info.format = LibraryFormat(format);
    sound_ = sf_open_virtual(&io_, SFM_WRITE, &info, this);
    if (sound_ == nullptr) {
      throw HostError(shown_ + ": cannot write " + Describe(format) + ": " + sf_strerror(nullptr));
    }
    // The peak chunk holds the time of writing: the same song would not give the same bytes.
    sf_command(sound_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  }

  ~SndfileEncoder() override {
    if (sound_ != nullptr) sf_close(sound_);
  }

  void WritePcm16(const std::int16_t* samples, std::size_t count) override {
    Check(sf_write_short(sound_, samples, static_cast<sf_count_t>(count)), count);
  }

  void WritePcm24(const std::int32_t* samples, std::size_t count) override {
    // libsndfile takes ints at 32-bit full scale and keeps the top 24 bits.
    shifted_.resize(count);
    for (std::size_t i = 0; i < count; ++i) shifted_[i] = static_cast<int>(static_cast<unsigned>(samples[i]) << 8);
    Check(sf_write_int(sound_, shifted_.data(), static_cast<sf_count_t>(count)), count);
  }

  void WriteFloat(const float* samples, std::size_t count) override {
    Check(sf_write_float(sound_, samples, static_cast<sf_count_t>(count)), count);
  }

  void Finish() override {
    const int closed = sf_close(std::exchange(sound_, nullptr));
    if (closed != 0 || failure_ != 0 || (pages_ && !pages_->Flush())) Fail();
  }

 private:
  static SndfileEncoder& Of(void* self) { return *static_cast<SndfileEncoder*>(self); }

  static sf_count_t Length(void* self) {
    std::FILE* file = Of(self).file_;
    const long at = std::ftell(file);
    if (at < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    std::fseek(file, at, SEEK_SET);
    return end;
  }
  static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
    std::FILE* file = Of(self).file_;
    if (std::fseek(file, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(file);
  }
  static sf_count_t Read(void* out, sf_count_t count, void* self) {
    return static_cast<sf_count_t>(std::fread(out, 1, static_cast<std::size_t>(count), Of(self).file_));
  }
  static sf_count_t Write(const void* bytes, sf_count_t count, void* self) {
    SndfileEncoder& encoder = Of(self);
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    const auto n = static_cast<std::size_t>(count);
    if (encoder.pages_) return encoder.pages_->Feed(data, n) ? count : 0;
    return static_cast<sf_count_t>(encoder.Put(data, n));
  }
  static sf_count_t Tell(void* self) {
    const long at = std::ftell(Of(self).file_);
    return at >= 0 ? at : static_cast<sf_count_t>(Of(self).streamed_);  // a stream: what went out
  }

  std::size_t Put(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t put = std::fwrite(bytes, 1, count, file_);
    if (put != count && failure_ == 0) failure_ = errno != 0 ? errno : EIO;
    streamed_ += put;
    return put;
  }

  void Check(sf_count_t written, std::size_t count) {
    if (written != static_cast<sf_count_t>(count)) Fail();
  }

  [[noreturn]] void Fail() {
    throw HostError(shown_ + ": cannot write: " +
                    (failure_ != 0 ? std::strerror(failure_) : sf_strerror(sound_)));
  }

  std::FILE* file_;
  std::string shown_;
  SF_VIRTUAL_IO io_{Length, Seek, Read, Write, Tell};
  std::optional<OggSerialFixer> pages_;  // Ogg only
  SNDFILE* sound_ = nullptr;
  std::vector<int> shifted_;
  std::size_t streamed_ = 0;
  int failure_ = 0;  // errno of the first failed write
};

}  // namespace

bool BuildWrites(Container) { return true; }

std::unique_ptr<Encoder> MakeEncoder(std::FILE* file, const std::string& shown, const OutputFormat& format,
                                     int sample_rate, std::uint64_t frames) {
  if (format.container == Container::kWav) {
    return std::make_unique<wav::Encoder>(file, shown, format.samples, sample_rate, frames);
  }
  return std::make_unique<SndfileEncoder>(file, shown, format, sample_rate);
}

}  // namespace varnok::host
