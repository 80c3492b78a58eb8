#include "host/audio/wav_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "host/audio/little_endian.h"
#include "host/core/host_error.h"

namespace varnok::host::wav {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kPlainFmtSize = 16;
constexpr std::uint32_t kFloatFmtSize = 18;  // non-PCM formats carry cbSize
constexpr std::size_t kExtensibleFmtSize = 40;
constexpr std::size_t kBlockFrames = 4096;
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  out.insert(out.end(), tag, tag + 4);
}

// Everything before the first sample; the caller has checked that the sizes fit.
std::vector<std::uint8_t> Header(SampleFormat format, int sample_rate, std::uint64_t frames) {
  const std::uint32_t width = SampleBytes(format);
  const bool is_float = format == SampleFormat::kFloat;
  const std::uint32_t fmt_size = is_float ? kFloatFmtSize : kPlainFmtSize;
  const auto data_size = static_cast<std::uint32_t>(frames * width);
  const std::uint32_t pad = data_size & 1u;
  const std::uint32_t fact_size = is_float ? 12 : 0;

  std::vector<std::uint8_t> out;
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
    PutU32(out, static_cast<std::uint32_t>(frames));
  }
  PutTag(out, "data");
  PutU32(out, data_size);
  return out;
}

std::uint32_t U16At(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32At(const std::uint8_t* p) { return U16At(p) | (U16At(p + 2) << 16); }

// One sample at `p`, on the file's scale (full level 1). A 32-bit integer and
// a double become a float first, as libsndfile's float reading makes them, so
// that both readers average channels alike.
double DecodeSample(const Layout& layout, const std::uint8_t* p) {
  if (layout.tag == kFormatFloat) {
    if (layout.bits == 64) {
      const std::uint64_t raw = U32At(p) | (static_cast<std::uint64_t>(U32At(p + 4)) << 32);
      double v;
      std::memcpy(&v, &raw, sizeof v);
      return static_cast<float>(v);
    }
    const std::uint32_t raw = U32At(p);
    float v;
    std::memcpy(&v, &raw, sizeof v);
    return v;
  }
  switch (layout.bits) {
    case 8: return (p[0] - 128) / 128.0;
    case 16: return static_cast<std::int16_t>(U16At(p)) / 32768.0;
    case 24: return static_cast<std::int32_t>((U16At(p) | (p[2] << 16)) << 8) / 2147483648.0;
    default: return static_cast<float>(static_cast<std::int32_t>(U32At(p))) / 2147483648.0;
  }
}

bool Supported(const Layout& layout) {
  if (layout.tag == kFormatFloat) return layout.bits == 32 || layout.bits == 64;
  return layout.tag == kFormatPcm &&
         (layout.bits == 8 || layout.bits == 16 || layout.bits == 24 || layout.bits == 32);
}

}  // namespace

Encoder::Encoder(std::FILE* file, std::string shown, SampleFormat format, int sample_rate,
                 std::uint64_t frames)
    : file_(file),
      shown_(std::move(shown)),
      frames_(frames),
      pad_((frames * SampleBytes(format)) & 1u),
      bytes_(Header(format, sample_rate, frames)) {
  Put(bytes_.size());
}

template <class Bits>
void Encoder::Store(std::size_t count, std::size_t width, Bits bits) {
  bytes_.resize(count * width);
  std::uint8_t* out = bytes_.data();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t v = bits(i);
    for (std::size_t b = 0; b < width; ++b) *out++ = static_cast<std::uint8_t>(v >> (8 * b));
  }
  written_ += count;
  Put(bytes_.size());
}

void Encoder::WritePcm16(const std::int16_t* samples, std::size_t count) {
  Store(count, 2, [samples](std::size_t i) { return static_cast<std::uint32_t>(samples[i]); });
}

void Encoder::WritePcm24(const std::int32_t* samples, std::size_t count) {
  Store(count, 3, [samples](std::size_t i) { return static_cast<std::uint32_t>(samples[i]); });
}

void Encoder::WriteFloat(const float* samples, std::size_t count) {
  Store(count, 4, [samples](std::size_t i) {
    std::uint32_t bits;
    std::memcpy(&bits, &samples[i], sizeof bits);
    return bits;
  });
}

void Encoder::Finish() {
  if (written_ != frames_) {
    throw HostError(shown_ + ": wrote " + std::to_string(written_) + " samples where the header says " +
                    std::to_string(frames_));
  }
  // A data chunk of an odd byte count ends on a pad byte.
  bytes_.assign(pad_, 0);
  Put(bytes_.size());
}

void Encoder::Put(std::size_t count) {
  if (std::fwrite(bytes_.data(), 1, count, file_) != count) {
    throw HostError(shown_ + ": cannot write: " + std::strerror(errno));
  }
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
  std::size_t declared_data_size = 0;  // more than data_size when the file was cut short
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
      // A writer that could not seek back leaves the size at its most.
      declared_data_size = U32At(chunk + 4) == 0xFFFFFFFFu ? size : U32At(chunk + 4);
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
  declared_frames_ = declared_data_size / frame_bytes_;
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(data_at));
}

std::size_t Reader::Read(float* out, std::size_t frames) {
  frames = std::min(frames, frames_ - done_);
  // The common case, mono float on a little-endian machine, straight into `out`.
  if (layout_.tag == kFormatFloat && layout_.bits == 32 && layout_.channels == 1 && kLittleEndian) {
    file_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(frames * sizeof(float)));
    return Ended(static_cast<std::size_t>(file_.gcount()) / sizeof(float), frames);
  }
  const std::size_t width = static_cast<std::size_t>(layout_.bits / 8);
  bytes_.resize(kBlockFrames * frame_bytes_);
  std::size_t written = 0;
  while (written < frames) {
    const std::size_t wanted = std::min(frames - written, kBlockFrames);
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
    if (got < wanted) return Ended(written, frames);
  }
  done_ += written;
  return written;
}

std::size_t Reader::Ended(std::size_t got, std::size_t wanted) {
  done_ = got < wanted ? frames_ : done_ + got;  // a short read: the file ended early
  return got;
}

}  // namespace varnok::host::wav
