#include "host/audio/wav_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "host/audio/audio_file.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

// Samples that exercise rounding, the extremes and the clipping edge.
const std::vector<float> kSamples = {0.0f, 1.0f, -1.0f, 0.5f, -0.5f, 1.5f, 12345.25f,
                                     -32768.0f, 32767.0f, 32767.6f, -32769.0f};

// The codec and the platform's own audio files (libsndfile where it exists)
// must agree both ways, in every format the host writes.
class WavCodecAgrees : public ::testing::TestWithParam<SampleFormat> {};

TEST_P(WavCodecAgrees, WithTheHostsAudioFilesBothWays) {
  const SampleFormat format = GetParam();
  // A file pair per format: ctest runs the formats side by side.
  const std::string name = SampleFormatName(format);
  const std::string ours = TempPath("codec_written_" + name + ".wav");
  const std::string theirs = TempPath("host_written_" + name + ".wav");
  const WriteReport ours_report = wav::Write(ours, kSamples.data(), kSamples.size(), 48000, format);
  const WriteReport theirs_report = WriteMonoWav(theirs, kSamples.data(), kSamples.size(), 48000, format);
  EXPECT_EQ(ours_report.over_full_scale, theirs_report.over_full_scale);

  const MonoAudio read_by_host = ReadMonoAudio(ours);
  const MonoAudio read_by_codec = wav::Read(theirs);
  EXPECT_EQ(read_by_host.sample_rate, 48000);
  EXPECT_EQ(read_by_codec.sample_rate, 48000);
  EXPECT_THAT(read_by_host.samples, ElementsAreArray(read_by_codec.samples));
  ASSERT_EQ(read_by_codec.samples.size(), kSamples.size());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, WavCodecAgrees,
                         ::testing::Values(SampleFormat::kFloat, SampleFormat::kPcm16,
                                           SampleFormat::kPcm24));

TEST(WavCodec, KeepsFloatSamplesExactlyAndClipsPcmAtTheFormatsLimits) {
  const std::string path = TempPath("codec_levels.wav");
  EXPECT_EQ(wav::Write(path, kSamples.data(), kSamples.size(), 44100, SampleFormat::kFloat)
                .over_full_scale,
            1u);  // only -32769 lies beyond full level 32768
  EXPECT_THAT(wav::Read(path).samples, ElementsAreArray(kSamples));

  EXPECT_EQ(wav::Write(path, kSamples.data(), kSamples.size(), 44100, SampleFormat::kPcm16)
                .over_full_scale,
            2u);  // 32767.6 rounds to 32768, -32769 stays below -32768
  EXPECT_THAT(wav::Read(path).samples,
              ElementsAreArray(std::vector<float>{0, 1, -1, 1, -1, 2, 12345, -32768, 32767,
                                                  32767, -32768}));

  // 24 bits keep a 1/256 step; an odd count needs the RIFF pad byte.
  const float fine[] = {0.25f, -0.5f, 100.00390625f};
  wav::Write(path, fine, 3, 44100, SampleFormat::kPcm24);
  EXPECT_THAT(wav::Read(path).samples, ElementsAreArray(fine));
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
  const MonoAudio audio = wav::Read(path);
  EXPECT_EQ(audio.sample_rate, 22050);
  EXPECT_THAT(audio.samples, ElementsAreArray({0.0f, 8192.0f}));  // (16384 + 0) / 2
}

TEST(WavCodec, FailuresNameTheFileAndTheReason) {
  const std::string path = TempPath("codec_not_wav.wav");
  WriteBytes(path, {'h', 'e', 'l', 'l', 'o'});
  try {
    wav::Read(path);
    FAIL() << "read a file that is not WAV";
  } catch (const HostError& error) {
    EXPECT_THAT(error.what(), HasSubstr(path + ": cannot read: not a RIFF/WAVE file"));
  }
  EXPECT_THROW(wav::Read(TempPath("codec_missing.wav")), HostError);
  EXPECT_THROW(wav::Write(TempPath("no_such_dir/x.wav"), kSamples.data(), 1, 44100,
                          SampleFormat::kFloat),
               HostError);
}

}  // namespace
}  // namespace varnok::host
