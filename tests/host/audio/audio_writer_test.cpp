// Every format the build writes, read back by the host's reader; and the
// choice of format from the file name.
#include "host/audio/audio_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "host/core/host_error.h"
#include "tests/support/read_audio.h"

namespace varnok::host {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr int kRate = 44100;

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

WriteReport WriteFile(const std::string& path, std::optional<SampleFormat> samples, const std::vector<float>& audio) {
  OutputFile output(path);
  AudioWriter writer(output, ChooseOutputFormat(path, samples, false), kRate, audio.size());
  writer.Write(audio.data(), audio.size());
  return writer.Finish();
}

// Full level, beyond it on both sides, fractions, and one that rounds past full level.
const std::vector<float> kSamples = {32767.0f, -32768.0f, 40000.0f, -40000.0f, 100.5f, 0.25f, -1.25f, 32767.6f};

struct LosslessCase {
  const char* extension;
  Container container;
  SampleFormat samples;
  std::vector<float> expected;
  std::size_t over_full_scale;
};

const std::vector<float> kAsPcm16 = {32767, -32768, 32767, -32768, 101, 0, -1, 32767};
const std::vector<float> kAsPcm24 = {32767, -32768, 8388607 / 256.0f, -32768, 100.5f, 0.25f, -1.25f, 8388506 / 256.0f};

const LosslessCase kLossless[] = {
    {".wav", Container::kWav, SampleFormat::kPcm16, kAsPcm16, 3},
    {".wav", Container::kWav, SampleFormat::kPcm24, kAsPcm24, 2},
    {".wav", Container::kWav, SampleFormat::kFloat, kSamples, 2},
    {".flac", Container::kFlac, SampleFormat::kPcm16, kAsPcm16, 3},
    {".flac", Container::kFlac, SampleFormat::kPcm24, kAsPcm24, 2},
    {".aiff", Container::kAiff, SampleFormat::kPcm16, kAsPcm16, 3},
    {".aiff", Container::kAiff, SampleFormat::kPcm24, kAsPcm24, 2},
    {".aiff", Container::kAiff, SampleFormat::kFloat, kSamples, 2},
};

void PrintTo(const LosslessCase& c, std::ostream* out) { *out << SampleFormatName(c.samples) << " " << c.extension; }

class LosslessFormats : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessFormats, KeepWhatTheFormatHoldsCountWhatItClipsAndRepeatByteForByte) {
  const LosslessCase& c = GetParam();
  if (!BuildWrites(c.container)) GTEST_SKIP() << "this build does not write " << c.extension;
  // A pair of files per case: ctest runs the cases side by side.
  const std::string stem = TempPath(std::string("writer_") + SampleFormatName(c.samples) + "_");
  const std::string first = stem + "1" + c.extension;
  const std::string second = stem + "2" + c.extension;
  EXPECT_EQ(WriteFile(first, c.samples, kSamples).over_full_scale, c.over_full_scale);
  WriteFile(second, c.samples, kSamples);
  EXPECT_EQ(Bytes(first), Bytes(second)) << "two writes of the same samples differ";
  const testing::Audio read = testing::ReadAudio(first);
  EXPECT_EQ(read.sample_rate, kRate);
  EXPECT_THAT(read.samples, ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, LosslessFormats, ::testing::ValuesIn(kLossless));

TEST(AudioWriter, FloatWavCarriesTheHeaderReadersExpectOfNonPcm) {
  const std::string path = TempPath("writer_header.wav");
  WriteFile(path, SampleFormat::kFloat, {0.0f, 1.0f, 2.0f});
  const std::string bytes = Bytes(path);
  ASSERT_GE(bytes.size(), 58u);
  EXPECT_EQ(bytes.substr(12, 8), std::string("fmt \x12\0\0\0", 8));  // 18 bytes: with its extension size
  EXPECT_EQ(bytes.substr(20, 2), std::string("\x03\0", 2));         // IEEE float
  EXPECT_EQ(bytes.substr(38, 12), std::string("fact\x04\0\0\0\x03\0\0\0", 12));
}

TEST(AudioWriter, OggVorbisIsCloseAndRepeatsByteForByte) {
  if (!BuildWrites(Container::kOgg)) GTEST_SKIP() << "this build does not write .ogg";
  std::vector<float> tone(kRate / 2);
  for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 16384.0f * static_cast<float>(std::sin(i * 0.0627));
  const std::string first = TempPath("writer_1.ogg");
  const std::string second = TempPath("writer_2.ogg");
  WriteFile(first, std::nullopt, tone);
  WriteFile(second, std::nullopt, tone);
  EXPECT_EQ(Bytes(first), Bytes(second)) << "two writes of the same samples differ";
  const testing::Audio read = testing::ReadAudio(first);  // the reader checks every page's checksum
  ASSERT_EQ(read.samples.size(), tone.size());
  double error = 0.0;
  for (std::size_t i = 0; i < tone.size(); ++i) error += std::pow(double{read.samples[i]} - tone[i], 2);
  EXPECT_LT(std::sqrt(error / tone.size()), 0.02 * 16384) << "RMS error above 2 % of the tone";
}

struct ChoiceCase {
  const char* name;
  std::optional<SampleFormat> requested;
  bool stream;
  Container container;
  SampleFormat samples;
  const char* error;  // null when the choice stands
};

const ChoiceCase kChoices[] = {
    {"a.wav", std::nullopt, false, Container::kWav, SampleFormat::kFloat, nullptr},
    {"-", SampleFormat::kPcm16, true, Container::kWav, SampleFormat::kPcm16, nullptr},
    {"/dev/null", std::nullopt, true, Container::kWav, SampleFormat::kFloat, nullptr},
    {"a.FLAC", std::nullopt, false, Container::kFlac, SampleFormat::kPcm24, nullptr},
    {"a.aif", SampleFormat::kPcm16, false, Container::kAiff, SampleFormat::kPcm16, nullptr},
    {"a.ogg", std::nullopt, true, Container::kOgg, SampleFormat::kFloat, nullptr},
    {"a.mp3", std::nullopt, false, Container::kWav, SampleFormat::kFloat, "a.mp3: cannot write .mp3 files; this build writes .wav"},
    {"a.flac", SampleFormat::kFloat, false, Container::kFlac, SampleFormat::kFloat,
     "a.flac: FLAC cannot hold float samples; it takes pcm16 or pcm24"},
    {"a.ogg", SampleFormat::kPcm24, false, Container::kOgg, SampleFormat::kPcm24, "a.ogg: Ogg Vorbis cannot hold pcm24"},
    {"a.aiff", std::nullopt, true, Container::kAiff, SampleFormat::kFloat,
     "a.aiff: AIFF cannot be written as a stream"},
};

void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.name; }

class FormatChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(FormatChoice, FollowsTheNameOrSaysWhyNot) {
  const ChoiceCase& c = GetParam();
  if (!BuildWrites(c.container)) {
    EXPECT_THROW(ChooseOutputFormat(c.name, c.requested, c.stream), HostError);
    return;
  }
  try {
    const OutputFormat format = ChooseOutputFormat(c.name, c.requested, c.stream);
    EXPECT_EQ(c.error, nullptr) << "accepted";
    EXPECT_EQ(format.container, c.container);
    EXPECT_EQ(format.samples, c.samples);
  } catch (const HostError& error) {
    ASSERT_NE(c.error, nullptr) << error.what();
    EXPECT_THAT(error.what(), HasSubstr(c.error));
  }
}

INSTANTIATE_TEST_SUITE_P(Names, FormatChoice, ::testing::ValuesIn(kChoices));

TEST(FormatChoice, RefusesMoreSamplesThanAWavFileCanDescribe) {
  const OutputFormat wav{Container::kWav, SampleFormat::kFloat};
  // 4 GB less room for the header, in 4-byte samples.
  constexpr std::uint64_t kMost = (0xFFFFFFFFull - 256) / 4;
  EXPECT_NO_THROW(RequireRoomFor("a.wav", wav, kMost));
  EXPECT_THROW(RequireRoomFor("a.wav", wav, kMost + 1), HostError);
  EXPECT_NO_THROW(RequireRoomFor("a.wav", {Container::kWav, SampleFormat::kPcm16}, 1ull << 30));
}

}  // namespace
}  // namespace varnok::host
