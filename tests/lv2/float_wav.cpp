#include "float_wav.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace varnok::lv2::testing {
namespace {

constexpr std::uint16_t kFloatFormat = 3;
constexpr std::uint16_t kExtensibleFormat = 0xFFFE;

void Put32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
std::uint32_t Get32(const std::string& in, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(in[at + i]);
  return value;
}
std::uint16_t Get16(const std::string& in, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(in[at]) | static_cast<unsigned char>(in[at + 1]) << 8);
}

}  // namespace

void WriteFloatWav(const std::string& path, const std::vector<float>& samples, int sample_rate) {
  const std::uint32_t data_bytes = static_cast<std::uint32_t>(samples.size() * sizeof(float));
  std::string out = "RIFF";
  Put32(out, 36 + data_bytes);
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, kFloatFormat);
  Put16(out, 1);
  Put32(out, static_cast<std::uint32_t>(sample_rate));
  Put32(out, static_cast<std::uint32_t>(sample_rate) * sizeof(float));
  Put16(out, sizeof(float));
  Put16(out, 32);
  out += "data";
  Put32(out, data_bytes);
  out.append(reinterpret_cast<const char*>(samples.data()), data_bytes);
  std::ofstream(path, std::ios::binary) << out;
}

std::vector<float> ReadFloatWav(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (in.size() < 12 || in.compare(0, 4, "RIFF") != 0 || in.compare(8, 4, "WAVE") != 0) {
    ADD_FAILURE() << path << ": no WAV file";
    return {};
  }
  bool mono_float = false;
  for (std::size_t at = 12; at + 8 <= in.size();) {
    const std::string id = in.substr(at, 4);
    const std::uint32_t size = Get32(in, at + 4);
    const std::size_t body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= in.size()) {
      const std::uint16_t format = Get16(in, body);
      const bool extensible_float = format == kExtensibleFormat && size >= 40 && Get16(in, body + 24) == kFloatFormat;
      mono_float = (format == kFloatFormat || extensible_float) && Get16(in, body + 2) == 1 && Get16(in, body + 14) == 32;
    } else if (id == "data") {
      if (!mono_float) break;
      const std::size_t bytes = std::min<std::size_t>(size, in.size() - body);
      std::vector<float> samples(bytes / sizeof(float));
      std::memcpy(samples.data(), in.data() + body, samples.size() * sizeof(float));
      return samples;
    }
    at = body + size + (size & 1);
  }
  ADD_FAILURE() << path << ": no mono 32-bit float data";
  return {};
}

}  // namespace varnok::lv2::testing
