#include "host/audio/wav_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "host/audio/read_whole.h"
#include "host/core/host_error.h"

namespace varnok::host::wav {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kPlainFmtSize = 16;
constexpr std::uint32_t kFloatFmtSize = 18;  // non-PCM formats carry cbSize
constexpr std::size_t kExtensibleFmtSize = 40;
constexpr std::size_t kBlockFrames = 4096;

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  out.insert(out.end(), tag, tag + 4);
}

std::uint32_t BytesPerSample(SampleFormat format) {
  switch (format) {
    case SampleFormat::kPcm16: return 2;
    case SampleFormat::kPcm24: return 3;
    case SampleFormat::kFloat: break;
  }
  return 4;
}

// Rounds to a signed integer of `bits` bits, clipping what does not fit.
std::int32_t ToPcm(float sample, double scale, int bits, std::size_t& clipped) {
  const long max = (1L << (bits - 1)) - 1;
  long v = std::lround(static_cast<double>(sample) * scale);
  if (v > max || v < -max - 1) {
    ++clipped;
    v = std::clamp(v, -max - 1, max);
  }
  return static_cast<std::int32_t>(v);
}

std::vector<std::uint8_t> Encode(const float* samples, std::size_t count, int sample_rate,
                                 SampleFormat format, WriteReport& report) {
  const std::uint32_t width = BytesPerSample(format);
  const bool is_float = format == SampleFormat::kFloat;
  const std::uint32_t fmt_size = is_float ? kFloatFmtSize : kPlainFmtSize;
  const auto data_size = static_cast<std::uint32_t>(count * width);
  const std::uint32_t pad = data_size & 1u;
  const std::uint32_t fact_size = is_float ? 12 : 0;

  std::vector<std::uint8_t> out;
  out.reserve(44 + fact_size + data_size + pad);
  PutTag(out, "RIFF");
  PutU32(out, 4 + 8 + fmt_size + fact_size + 8 + data_size + pad);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, fmt_size);
  PutU16(out, is_float ? kFormatFloat : kFormatPcm);
  PutU16(out, 1);
  PutU32(out, static_cast<std::uint32_t>(sample_rate));
  PutU32(out, static_cast<std::uint32_t>(sample_rate) * width);
  PutU16(out, width);
  PutU16(out, width * 8);
  if (is_float) {
    PutU16(out, 0);
    PutTag(out, "fact");
    PutU32(out, 4);
    PutU32(out, static_cast<std::uint32_t>(count));
  }
  PutTag(out, "data");
  PutU32(out, data_size);
  for (std::size_t i = 0; i < count; ++i) {
    if (is_float) {
      if (std::fabs(samples[i]) > kFullScale) ++report.over_full_scale;
      const float scaled = samples[i] / kFullScale;
      std::uint32_t bits;
      std::memcpy(&bits, &scaled, sizeof bits);
      PutU32(out, bits);
    } else if (format == SampleFormat::kPcm16) {
      PutU16(out, static_cast<std::uint32_t>(ToPcm(samples[i], 1.0, 16, report.over_full_scale)));
    } else {
      const auto v = static_cast<std::uint32_t>(ToPcm(samples[i], 256.0, 24, report.over_full_scale));
      PutU16(out, v & 0xFFFF);
      out.push_back(static_cast<std::uint8_t>(v >> 16));
    }
  }
  if (pad != 0) out.push_back(0);
  return out;
}

// A name beside `path` that no other writer is likely to pick.
fs::path TemporaryPathFor(const fs::path& path) {
  std::random_device random;
  const auto tag = std::to_string(random() % 1000000u);
  return path.parent_path() / ("." + path.filename().string() + "." + tag + ".partial");
}

std::uint32_t U16At(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32At(const std::uint8_t* p) { return U16At(p) | (U16At(p + 2) << 16); }

// One sample at `p`, on the host's scale (full level 32768).
double DecodeSample(const Layout& layout, const std::uint8_t* p) {
  if (layout.tag == kFormatFloat) {
    if (layout.bits == 64) {
      const std::uint64_t raw = U32At(p) | (static_cast<std::uint64_t>(U32At(p + 4)) << 32);
      double v;
      std::memcpy(&v, &raw, sizeof v);
      return v * kFullScale;
    }
    const std::uint32_t raw = U32At(p);
    float v;
    std::memcpy(&v, &raw, sizeof v);
    return static_cast<double>(v) * kFullScale;
  }
  switch (layout.bits) {
    case 8: return (p[0] - 128) * 256.0;
    case 16: return static_cast<std::int16_t>(U16At(p));
    case 24: return static_cast<std::int32_t>((U16At(p) | (p[2] << 16)) << 8) / 65536.0;
    default: return static_cast<std::int32_t>(U32At(p)) / 65536.0;
  }
}

bool Supported(const Layout& layout) {
  if (layout.tag == kFormatFloat) return layout.bits == 32 || layout.bits == 64;
  return layout.tag == kFormatPcm &&
         (layout.bits == 8 || layout.bits == 16 || layout.bits == 24 || layout.bits == 32);
}

}  // namespace

WriteReport Write(const std::string& path, const float* samples, std::size_t count,
                  int sample_rate, SampleFormat format) {
  WriteReport report;
  const std::vector<std::uint8_t> bytes = Encode(samples, count, sample_rate, format, report);
  const fs::path target(path);
  const fs::path temporary = TemporaryPathFor(target);
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) throw HostError(path + ": cannot create: " + temporary.string());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw HostError(path + ": cannot write");
    }
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw HostError(path + ": cannot move the finished file into place: " + error.message());
  }
  return report;
}

Reader::Reader(const std::string& path, int channel) : file_(path, std::ios::binary), channel_(channel) {
  if (!file_) throw HostError(path + ": cannot read: no such file or no access");
  file_.seekg(0, std::ios::end);
  const auto file_size = static_cast<std::size_t>(std::max<std::streamoff>(file_.tellg(), 0));
  std::uint8_t head[12] = {};
  file_.seekg(0);
  if (file_size < sizeof head || !file_.read(reinterpret_cast<char*>(head), sizeof head) ||
      std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
    throw HostError(path + ": cannot read: not a RIFF/WAVE file");
  }
  // Walks the chunk headers only; the data is read later, block by block.
  std::size_t data_at = 0;
  std::size_t data_size = 0;
  bool has_data = false;
  for (std::size_t at = 12; at + 8 <= file_size;) {
    std::uint8_t chunk[8 + kExtensibleFmtSize] = {};
    file_.seekg(static_cast<std::streamoff>(at));
    file_.read(reinterpret_cast<char*>(chunk), 8);
    const std::size_t size = std::min<std::size_t>(U32At(chunk + 4), file_size - at - 8);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= kPlainFmtSize) {
      file_.read(reinterpret_cast<char*>(chunk + 8), static_cast<std::streamsize>(std::min(size, kExtensibleFmtSize)));
      layout_.tag = static_cast<std::uint16_t>(U16At(chunk + 8));
      layout_.channels = static_cast<int>(U16At(chunk + 10));
      layout_.sample_rate = static_cast<int>(U32At(chunk + 12));
      layout_.bits = static_cast<int>(U16At(chunk + 22));
      // The sub-format GUID starts with the plain format tag.
      if (layout_.tag == kFormatExtensible && size >= 26) {
        layout_.tag = static_cast<std::uint16_t>(U16At(chunk + 8 + 24));
      }
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      data_at = at + 8;
      data_size = size;
      has_data = true;
    }
    at += 8 + size + (size & 1u);
  }
  if (layout_.channels == 0) throw HostError(path + ": cannot read: no format chunk");
  if (!Supported(layout_)) {
    throw HostError(path + ": cannot read: unsupported WAV encoding (format " +
                    std::to_string(layout_.tag) + ", " + std::to_string(layout_.bits) + " bits)");
  }
  if (!has_data) throw HostError(path + ": cannot read: no data chunk");
  if (channel >= layout_.channels) {
    throw HostError(path + ": has no channel " + std::to_string(channel) + " (channels 0 to " +
                    std::to_string(layout_.channels - 1) + ")");
  }
  frame_bytes_ = static_cast<std::size_t>(layout_.bits / 8) * static_cast<std::size_t>(layout_.channels);
  frames_ = data_size / frame_bytes_;
  bytes_.resize(kBlockFrames * frame_bytes_);
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(data_at));
}

std::size_t Reader::Read(float* out, std::size_t frames) {
  const std::size_t width = static_cast<std::size_t>(layout_.bits / 8);
  std::size_t written = 0;
  while (written < frames && done_ < frames_) {
    const std::size_t wanted = std::min({frames - written, frames_ - done_, kBlockFrames});
    file_.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(wanted * frame_bytes_));
    const std::size_t got = static_cast<std::size_t>(file_.gcount()) / frame_bytes_;
    for (std::size_t f = 0; f < got; ++f) {
      const std::uint8_t* frame = bytes_.data() + f * frame_bytes_;
      if (channel_ >= 0) {
        out[written++] = static_cast<float>(DecodeSample(layout_, frame + static_cast<std::size_t>(channel_) * width));
        continue;
      }
      double sum = 0.0;
      for (int c = 0; c < layout_.channels; ++c) sum += DecodeSample(layout_, frame + static_cast<std::size_t>(c) * width);
      out[written++] = static_cast<float>(sum / layout_.channels);
    }
    done_ += got;
    if (got < wanted) {
      done_ = frames_;  // the file ended early
      break;
    }
  }
  return written;
}

MonoAudio Read(const std::string& path, int channel) {
  Reader reader(path, channel);
  return ReadWhole(reader);
}

}  // namespace varnok::host::wav
