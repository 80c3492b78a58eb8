#include "host/audio/audio_file.h"

#include <algorithm>
#include <cmath>

namespace varnok::host {
namespace {

// Rounds to a signed integer of `bits` bits after scaling, clipping what does not fit.
template <int kBits, class Int>
std::size_t ToPcm(const float* in, std::size_t count, double scale, Int* out) {
  constexpr long kMax = (1L << (kBits - 1)) - 1;
  std::size_t clipped = 0;
  for (std::size_t i = 0; i < count; ++i) {
    long v = std::lround(static_cast<double>(in[i]) * scale);
    if (v > kMax || v < -kMax - 1) {
      ++clipped;
      v = std::clamp(v, -kMax - 1, kMax);
    }
    out[i] = static_cast<Int>(v);
  }
  return clipped;
}

}  // namespace

bool ParseSampleFormat(const std::string& text, SampleFormat& format) {
  for (SampleFormat f : {SampleFormat::kFloat, SampleFormat::kPcm16, SampleFormat::kPcm24}) {
    if (text == SampleFormatName(f)) {
      format = f;
      return true;
    }
  }
  return false;
}

const char* SampleFormatName(SampleFormat format) {
  switch (format) {
    case SampleFormat::kPcm16: return "pcm16";
    case SampleFormat::kPcm24: return "pcm24";
    case SampleFormat::kFloat: break;
  }
  return "float";
}

std::size_t ToPcm16(const float* in, std::size_t count, std::int16_t* out) {
  return ToPcm<16>(in, count, 1.0, out);  // host units are 16-bit already
}

std::size_t ToPcm24(const float* in, std::size_t count, std::int32_t* out) {
  return ToPcm<24>(in, count, 256.0, out);  // 8 more bits
}

std::size_t ToUnitFloat(const float* in, std::size_t count, float* out) {
  std::size_t over = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (std::fabs(in[i]) > kFullLevel) ++over;
    out[i] = in[i] / kFullLevel;
  }
  return over;
}

}  // namespace varnok::host
