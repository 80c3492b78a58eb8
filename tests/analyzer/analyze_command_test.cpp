// machine-host analyze, end to end: a WAV file written here, the real plug-in
// file, the printed texts.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analyzer/analyzer_machine.h"
#include "host/analyze/meter_run.h"
#include "host/core/machine_instance.h"
#include "tests/analyzer/analyzer_fixture.h"

namespace varnok::analyzer {
namespace {

constexpr int kRate = 44100;
constexpr int kSamplesPerTick = 5292;  // 125 beats per minute, 4 ticks per beat
constexpr int kTicks = 10;

// Left at +0.5 of full scale, right at -0.5: they cancel when mixed.
std::string WriteStereoWav(const std::string& name) {
  const std::string path = ::testing::TempDir() + name;
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<float> frames;
  for (int i = 0; i < kTicks * kSamplesPerTick; ++i) {
    frames.push_back(0.5f);
    frames.push_back(-0.5f);
  }
  sf_writef_float(file, frames.data(), kTicks * kSamplesPerTick);
  sf_close(file);
  return path;
}

struct Result {
  int status;
  std::string output;
};

Result Analyze(const std::string& arguments) {
  const std::string command = std::string("'") + VARNOK_MACHINE_HOST + "' analyze " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  return {pclose(pipe), output};
}

TEST(AnalyzeCommand, PrintsTheWindowsTextsUnderItsLabels) {
  const std::string wav = WriteStereoWav("analyze_table.wav");
  // Refresh 0 sees no audio yet and the average column is rewritten at 8:
  // averages are 1 - 0.92^8 of the steady values.
  const Result left = Analyze("'" + wav + "' --channel 0");
  ASSERT_EQ(left.status, 0) << left.output;
  EXPECT_EQ(left.output,
            "               Current    Average\n"
            "Rms Power     -4.46 dB  -11.65 dB\n"
            "Amplitude       25.0 %     12.2 %\n"
            "Dc Offset      16384.0     7975.4\n");

  const Result mixed = Analyze("'" + wav + "' --json");
  ASSERT_EQ(mixed.status, 0) << mixed.output;
  EXPECT_EQ(mixed.output,
            "{\"current\": {\"level\": \"-inf dB\", \"amplitude\": \"0.0 %\", \"offset\": \"0.0\"}, "
            "\"average\": {\"level\": \"-inf dB\", \"amplitude\": \"0.0 %\", \"offset\": \"0.0\"}}\n");
}

TEST(AnalyzeCommand, EveryPrintsAtTheTickCountAndOnceAtTheEnd) {
  const std::string wav = WriteStereoWav("analyze_every.wav");
  const Result result = Analyze("'" + wav + "' --channel 1 --json --every 4");
  ASSERT_EQ(result.status, 0) << result.output;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < result.output.size();) {
    const std::size_t end = result.output.find('\n', at);
    lines.push_back(result.output.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(lines.size(), 3u) << result.output;  // after ticks 4, 8 and 10
  for (const std::string& line : lines) {
    EXPECT_NE(line.find("\"offset\": \"16384.0\""), std::string::npos) << line;
  }
}

TEST(AnalyzeCommand, FailuresNameTheFileInOneLine) {
  const std::string missing = ::testing::TempDir() + "no_such_file.wav";
  const Result absent = Analyze("'" + missing + "'");
  EXPECT_NE(absent.status, 0);
  EXPECT_EQ(absent.output.rfind("machine-host: " + missing + ": cannot read", 0), 0u) << absent.output;
  EXPECT_EQ(absent.output.find('\n'), absent.output.size() - 1);

  const std::string text = ::testing::TempDir() + "not_audio.wav";
  std::fclose(std::fopen(text.c_str(), "w"));
  const Result garbage = Analyze("'" + text + "'");
  EXPECT_NE(garbage.status, 0);
  EXPECT_EQ(garbage.output.rfind("machine-host: " + text + ": ", 0), 0u) << garbage.output;

  const Result channel = Analyze("'" + WriteStereoWav("analyze_channel.wav") + "' --channel 5");
  EXPECT_NE(channel.status, 0);
  EXPECT_NE(channel.output.find("has no channel 5"), std::string::npos) << channel.output;
}

using MeterRun = testing::AnalyzerTest;

// The same drive in-process, through the machine class itself.
TEST_F(MeterRun, MeasuresTickByTickAndClosesTheWindow) {
  HostInfo info{};
  info.sample_rate = kRate;
  info.samples_per_tick = 100;
  host::MachineInstance machine(new AnalyzerMachine, info, testing::MeterHost::Services());
  std::vector<float> samples(950, -100.0f);
  std::vector<int> reported;
  const host::MeterReading last =
      host::RunMeter(*machine, samples, 3, [&](const host::MeterReading& r) { reported.push_back(r.ticks_measured); });
  EXPECT_EQ(reported, (std::vector<int>{3, 6, 9, 10}));
  EXPECT_EQ(last.ticks_measured, 10);
  EXPECT_EQ(last.current.offset, "50.0") << "the last tick holds half a tick of samples";
  EXPECT_EQ(last.current.amplitude, "0.2 %");
  EXPECT_TRUE(platform::OpenDialogs().empty());
}

}  // namespace
}  // namespace varnok::analyzer
