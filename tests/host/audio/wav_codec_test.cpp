#include "host/audio/wav_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "host/core/host_error.h"

namespace varnok::host {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<float> ReadAll(const std::string& path, int& sample_rate) {
  wav::Reader reader(path);
  sample_rate = reader.sample_rate();
  std::vector<float> samples(16);
  samples.resize(reader.Read(samples.data(), samples.size()));
  return samples;
}

TEST(WavCodec, ReadsExtensibleStereoAndSkipsUnknownChunks) {
  // 8-bit unsigned stereo in an extensible format chunk, after a "LIST" chunk
  // of odd length (so the reader must honour the pad byte).
  const std::vector<std::uint8_t> file = {
      'R', 'I', 'F', 'F', 76, 0, 0, 0, 'W', 'A', 'V', 'E',
      'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0,
      'f', 'm', 't', ' ', 40, 0, 0, 0,
      0xFE, 0xFF, 2, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 8, 0,
      22, 0, 8, 0, 3, 0, 0, 0,
      1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71,
      'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 192, 128};
  const std::string path = TempPath("codec_extensible.wav");
  WriteBytes(path, file);
  int sample_rate = 0;
  EXPECT_THAT(ReadAll(path, sample_rate), ElementsAreArray({0.0f, 0.25f}));  // (0.5 + 0) / 2
  EXPECT_EQ(sample_rate, 22050);
}

TEST(WavCodec, FailuresNameTheFileAndTheReason) {
  const std::string path = TempPath("codec_not_wav.wav");
  WriteBytes(path, {'h', 'e', 'l', 'l', 'o'});
  try {
    wav::Reader reader(path);
    FAIL() << "read a file that is not WAV";
  } catch (const HostError& error) {
    EXPECT_THAT(error.what(), HasSubstr(path + ": cannot read: not a RIFF/WAVE file"));
  }
  EXPECT_THROW(wav::Reader(TempPath("codec_missing.wav")), HostError);
}

}  // namespace
}  // namespace varnok::host
