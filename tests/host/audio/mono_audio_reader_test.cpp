// Reading block by block must give what reading the whole file gives, however
// the blocks fall against the readers' own chunks, and our WAV reader must read
// as the reader of every other format does.
#include "host/audio/mono_audio_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/audio/little_endian.h"
#include "host/audio/wav_codec.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

using ::testing::ElementsAreArray;

constexpr int kRate = 32000;
constexpr std::size_t kFrames = 9001;  // past two of the readers' 4096-frame chunks, and odd

std::int16_t Left(std::size_t i) { return static_cast<std::int16_t>(i * 7 % 60000 - 30000); }
std::int16_t Right(std::size_t i) { return static_cast<std::int16_t>(1001 - static_cast<int>(i % 2003)); }

// 16-bit stereo PCM; `declared_frames` may claim more data than follows.
std::string WriteStereo(const std::string& name, std::size_t frames, std::size_t declared_frames) {
  std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F'};
  PutU32(bytes, static_cast<std::uint32_t>(36 + declared_frames * 4));
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutU32(bytes, 16);
  PutU16(bytes, 1);
  PutU16(bytes, 2);
  PutU32(bytes, kRate);
  PutU32(bytes, kRate * 4);
  PutU16(bytes, 4);
  PutU16(bytes, 16);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  PutU32(bytes, static_cast<std::uint32_t>(declared_frames * 4));
  for (std::size_t i = 0; i < frames; ++i) {
    PutU16(bytes, static_cast<std::uint16_t>(Left(i)));
    PutU16(bytes, static_cast<std::uint16_t>(Right(i)));
  }
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<float> Expected(int channel, std::size_t frames) {
  std::vector<float> samples;
  for (std::size_t i = 0; i < frames; ++i) {
    if (channel == 0) samples.push_back(Left(i) / kFullLevel);
    if (channel == 1) samples.push_back(Right(i) / kFullLevel);
    if (channel == kAllChannels) samples.push_back(static_cast<float>((Left(i) + Right(i)) / 2.0 / kFullLevel));
  }
  return samples;
}

// Drains `reader` in pulls of `block` frames; every pull but the last is full.
template <class Reader>
std::vector<float> Drain(Reader& reader, std::size_t block) {
  std::vector<float> all;
  std::vector<float> buffer(block);
  bool ended = false;
  for (;;) {
    const std::size_t got = reader.Read(buffer.data(), block);
    if (got == 0) break;
    EXPECT_FALSE(ended) << "a short read before the end";
    ended = got < block;
    all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  }
  EXPECT_EQ(reader.Read(buffer.data(), block), 0u) << "reads past the end";
  return all;
}

class BlockReads : public ::testing::TestWithParam<std::size_t> {};

TEST_P(BlockReads, GiveEveryChannelAndTheMixAsTheWholeFile) {
  // One file per size: ctest runs the sizes side by side.
  const std::string path = WriteStereo("reader_stereo_" + std::to_string(GetParam()) + ".wav", kFrames, kFrames);
  for (const int channel : {0, 1, kAllChannels}) {
    SCOPED_TRACE(channel);
    const std::unique_ptr<AudioSource> other_reader = OpenOtherAudio(path, channel);
    EXPECT_EQ(other_reader->sample_rate(), kRate);
    EXPECT_THAT(Drain(*other_reader, GetParam()), ElementsAreArray(Expected(channel, kFrames)));

    wav::Reader codec_reader(path, channel);
    EXPECT_THAT(Drain(codec_reader, GetParam()), ElementsAreArray(Expected(channel, kFrames)));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockReads, ::testing::Values(1, 1000, 4096, 5292, 20000));

TEST(MonoAudioReader, StopsWhereATruncatedFileEnds) {
  // The header claims 9001 frames, the file holds 5000 and half of the next.
  std::string path = WriteStereo("reader_truncated.wav", 5001, kFrames);
  std::filesystem::resize_file(path, std::filesystem::file_size(path) - 2);
  const std::unique_ptr<AudioSource> other_reader = OpenOtherAudio(path, 0);
  EXPECT_EQ(other_reader->declared_frames(), kFrames) << "what analyze warns of";
  EXPECT_THAT(Drain(*other_reader, 4096), ElementsAreArray(Expected(0, 5000)));
  wav::Reader codec_reader(path, 0);
  EXPECT_EQ(codec_reader.declared_frames(), kFrames);
  EXPECT_THAT(Drain(codec_reader, 4096), ElementsAreArray(Expected(0, 5000)));
}

TEST(MonoAudioReader, RefusesAChannelTheFileLacks) {
  const std::string path = WriteStereo("reader_channels.wav", 10, 10);
  EXPECT_THROW(MonoAudioReader(path, 2), HostError);
  EXPECT_THROW(OpenOtherAudio(path, 2), HostError);
}

}  // namespace
}  // namespace varnok::host
