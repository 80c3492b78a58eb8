#include "host/audio/audio_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/core/host_error.h"
#include "song_file.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

// Full level, just inside, beyond on both sides, and a small value.
const std::vector<float> kSamples = {32767.0f, -32768.0f, 40000.0f, -40000.0f, 100.0f, 0.0f};

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class AudioFileTest : public ::testing::Test {
 protected:
  testing::SongFolder folder_;
};

TEST_F(AudioFileTest, ClipsPcmAtItsRangeAndCountsWhatWasClipped) {
  const std::string path = folder_.Path("pcm16.wav");
  EXPECT_EQ(WriteMonoWav(path, kSamples.data(), kSamples.size(), 8000, SampleFormat::kPcm16).over_full_scale, 2u);
  const MonoAudio read = ReadMonoAudio(path);
  EXPECT_EQ(read.sample_rate, 8000);
  EXPECT_EQ(read.samples, (std::vector<float>{32767, -32768, 32767, -32768, 100, 0}));
}

TEST_F(AudioFileTest, Pcm24KeepsFractionsOfTheSixteenBitScale) {
  const std::string path = folder_.Path("pcm24.wav");
  const std::vector<float> fine = {0.5f, -1.25f, 32767.5f};
  EXPECT_EQ(WriteMonoWav(path, fine.data(), fine.size(), 44100, SampleFormat::kPcm24).over_full_scale, 0u);
  EXPECT_EQ(ReadMonoAudio(path).samples, fine);
}

TEST_F(AudioFileTest, FloatKeepsSamplesBeyondFullLevelButCountsThem) {
  const std::string path = folder_.Path("float.wav");
  EXPECT_EQ(WriteMonoWav(path, kSamples.data(), kSamples.size(), 48000, SampleFormat::kFloat).over_full_scale, 2u);
  EXPECT_EQ(ReadMonoAudio(path).samples, kSamples);
}

TEST_F(AudioFileTest, AFailedWriteLeavesNoFileBehind) {
  // The target is a folder that is not empty: the finished file cannot replace it.
  const fs::path blocked = folder_.Folder() / "blocked.wav";
  fs::create_directory(blocked);
  folder_.Write("blocked.wav/keep", "x");
  EXPECT_THROW(WriteMonoWav(blocked.string(), kSamples.data(), kSamples.size(), 8000, SampleFormat::kPcm16),
               HostError);
  EXPECT_EQ(FilesIn(folder_.Folder()), 1u);  // only the folder itself, no partial file

  EXPECT_THROW(WriteMonoWav(folder_.Path("missing/out.wav"), kSamples.data(), kSamples.size(), 8000,
                            SampleFormat::kFloat),
               HostError);
}

TEST_F(AudioFileTest, ReplacesAnOldFileWhole) {
  const std::string path = folder_.Write("out.wav", "old contents");
  WriteMonoWav(path, kSamples.data(), 1, 8000, SampleFormat::kPcm16);
  EXPECT_EQ(ReadMonoAudio(path).samples, (std::vector<float>{32767}));
  EXPECT_EQ(FilesIn(folder_.Folder()), 1u);
}

TEST(SampleFormat, ReadsTheThreeNames) {
  SampleFormat format = SampleFormat::kFloat;
  EXPECT_TRUE(ParseSampleFormat("pcm24", format));
  EXPECT_EQ(format, SampleFormat::kPcm24);
  EXPECT_TRUE(ParseSampleFormat("pcm16", format));
  EXPECT_EQ(format, SampleFormat::kPcm16);
  EXPECT_FALSE(ParseSampleFormat("pcm8", format));
  EXPECT_EQ(format, SampleFormat::kPcm16);
}

}  // namespace
}  // namespace varnok::host
