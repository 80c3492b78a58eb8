// machine-host analyze, end to end: a WAV file written here, the real plug-in
// file, the printed texts.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analyzer/analyzer_machine.h"
#include "framework/plugin_entry.h"
#include "host/analyze/meter_run.h"
#include "host/core/machine_instance.h"
#include "tests/analyzer/analyzer_fixture.h"

namespace varnok::analyzer {
namespace {

constexpr int kRate = 44100;
constexpr int kSamplesPerTick = 5292;  // 125 beats per minute, 4 ticks per beat
constexpr int kTicks = 10;

// A float WAV of interleaved `frames`; `channels` per frame.
std::string WriteWav(const std::string& name, int channels, const std::vector<float>& frames) {
  const std::string path = ::testing::TempDir() + name;
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size()) / channels);
  sf_close(file);
  return path;
}

// Left at +0.5 of full scale, right at -0.5: they cancel when mixed.
std::string WriteStereoWav(const std::string& name) {
  std::vector<float> frames;
  for (int i = 0; i < kTicks * kSamplesPerTick; ++i) {
    frames.push_back(0.5f);
    frames.push_back(-0.5f);
  }
  return WriteWav(name, 2, frames);
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
            "Analyzer window after 10 ticks (1.200 s)\n"
            "               Current    Average\n"
            "Rms Power     -4.46 dB  -11.65 dB\n"
            "Amplitude       25.0 %     12.2 %\n"
            "Dc Offset      16384.0     7975.4\n"
            "Whole file, measured by machine-host\n"
            "  duration     1.200 s, 52920 samples at 44100 Hz\n"
            "  ticks        10 whole ticks of 5292 samples\n"
            "  sample peak  -6.02 dBFS\n"
            "  RMS          -6.02 dBFS\n"
            "  DC offset    +0.500000 of full scale (+16384.0 on the window's scale)\n"
            "  NaN or inf   0 samples\n");

  const Result mixed = Analyze("'" + wav + "' --json");
  ASSERT_EQ(mixed.status, 0) << mixed.output;
  EXPECT_EQ(mixed.output,
            "{\"tick\": 10, \"time\": 1.2, "
            "\"current\": {\"level\": \"-inf dB\", \"level_db\": null, \"amplitude\": \"0.0 %\", "
            "\"amplitude_percent\": 0, \"offset\": \"0.0\", \"offset_value\": 0}, "
            "\"average\": {\"level\": \"-inf dB\", \"level_db\": null, \"amplitude\": \"0.0 %\", "
            "\"amplitude_percent\": 0, \"offset\": \"0.0\", \"offset_value\": 0}}\n"
            "{\"summary\": {\"samples\": 52920, \"duration\": 1.2, \"ticks\": 10, \"partial_tick_samples\": 0, "
            "\"peak_dbfs\": null, \"rms_dbfs\": null, \"dc_offset\": 0.000000, \"non_finite_samples\": 0}}\n");
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
  ASSERT_EQ(lines.size(), 4u) << result.output;  // after ticks 4, 8 and 10, then the summary
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(lines[i].find("\"tick\": " + std::to_string(i < 2 ? 4 * (i + 1) : 10)), std::string::npos);
    EXPECT_NE(lines[i].find("\"offset\": \"16384.0\", \"offset_value\": 16384"), std::string::npos) << lines[i];
  }
  EXPECT_NE(lines[3].find("\"dc_offset\": -0.500000"), std::string::npos) << lines[3];
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

// How analyze ends a file: only whole ticks reach the window; what is short,
// empty or broken is said.
struct FileEnd {
  const char* name;
  std::size_t samples;
  int appended;  // samples of `appended_value` after them
  float appended_value;
  int status;
  const char* says;
  const char* not_says;
};

class AnalyzeFileEnd : public ::testing::TestWithParam<FileEnd> {};

TEST_P(AnalyzeFileEnd, ReportsWholeTicksAndSaysWhatIsWrong) {
  const FileEnd& end = GetParam();
  std::vector<float> samples(end.samples, 0.25f);
  samples.insert(samples.end(), static_cast<std::size_t>(end.appended), end.appended_value);
  const Result result = Analyze("'" + WriteWav(std::string("end_") + end.name + ".wav", 1, samples) + "'");
  EXPECT_EQ(WEXITSTATUS(result.status), end.status) << result.output;
  EXPECT_NE(result.output.find(end.says), std::string::npos) << result.output;
  if (end.not_says != nullptr) {
    EXPECT_EQ(result.output.find(end.not_says), std::string::npos) << result.output;
  }
}

constexpr std::size_t kForty = 40 * kSamplesPerTick;
INSTANTIATE_TEST_SUITE_P(
    Files, AnalyzeFileEnd,
    ::testing::Values(
        FileEnd{"whole", kForty, 0, 0.0f, 0, "after 40 ticks (4.800 s)\n               Current    Average\n"
                "Rms Power    -11.39 dB  -11.75 dB\nAmplitude       12.5 %     12.1 %\nDc Offset       8192.0", nullptr},
        FileEnd{"one_more", kForty + 1, 0, 0.0f, 0, "Dc Offset       8192.0     7900.3\n", "1.5"},
        FileEnd{"one_more_said", kForty + 1, 0, 0.0f, 0, "and 1 sample more that the window does not show", nullptr},
        FileEnd{"short", 1000, 0, 0.0f, 0, "warning: " , "Analyzer window"},
        FileEnd{"short_said", 1000, 0, 0.0f, 0, "shorter than one tick (1000 of 5292 samples)", nullptr},
        FileEnd{"header_only", 0, 0, 0.0f, 1, "holds no samples, only a header", nullptr},
        FileEnd{"nan", kForty, 3, NAN, 0, "warning: ", nullptr},
        FileEnd{"nan_said", kForty, 3, NAN, 0, "3 samples are NaN or infinite", nullptr},
        // Finite in the file, however large: the machines' scale cannot hold it, the summary can.
        FileEnd{"near_float_limit", kForty, 3, 3e38f, 0, "sample peak  769.54 dBFS\n", "NaN or infinite"},
        FileEnd{"near_float_limit_counted", kForty, 3, 3e38f, 0, "NaN or inf   0 samples", nullptr}),
    [](const ::testing::TestParamInfo<FileEnd>& info) { return std::string(info.param.name); });

// render's meter and analyze of the file it wrote read the same audio alike.
TEST(AnalyzeCommand, ReadsARenderedSongAsTheSongsOwnMeterDid) {
  const std::string song = ::testing::TempDir() + "meter_agrees.song";
  std::FILE* file = std::fopen(song.c_str(), "w");
  std::fputs("tempo 140\nmachine lead \"Varnok's Pulse\"\nmachine meter \"Varnok's Analyzer\"\n"
             "route lead -> meter -> master\npattern lead a 7\nA-4 40\n.\nC-5 70\n.\n.\noff\nend\nsequence lead a*3\n",
             file);
  std::fclose(file);
  const std::string wav = ::testing::TempDir() + "meter_agrees.wav";
  const std::string render = std::string("'") + VARNOK_MACHINE_HOST + "' render '" + song + "' -o '" + wav + "'";
  FILE* pipe = popen(render.c_str(), "r");
  std::string rendered;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) rendered += buffer;
  ASSERT_EQ(pclose(pipe), 0) << rendered;
  const std::string table = rendered.substr(rendered.find("               Current"));

  const Result analyzed = Analyze("'" + wav + "' --bpm 140");
  ASSERT_EQ(analyzed.status, 0) << analyzed.output;
  EXPECT_NE(analyzed.output.find(table), std::string::npos) << table << "\n" << analyzed.output;
  EXPECT_NE(table.find("Amplitude        0.0 %     44.5 %"), std::string::npos) << table;
}

using MeterRun = testing::AnalyzerTest;

// The same drive in-process, through the machine class itself.
TEST_F(MeterRun, MeasuresTickByTickAndClosesTheWindow) {
  HostInfo info{};
  info.sample_rate = kRate;
  info.samples_per_tick = 100;
  host::MachineInstance machine(CreateMachineOf<AnalyzerMachine>(), info, testing::MeterHost::Services());
  std::vector<float> samples(950, -100.0f);
  std::vector<int> reported;
  const host::MeterEnd end =
      host::RunMeter(*machine, kAnalyzerDescription, samples, 3, [&](const host::MeterReading& r) { reported.push_back(r.ticks_measured); });
  EXPECT_EQ(reported, (std::vector<int>{3, 6, 9}));
  EXPECT_EQ(end.last.ticks_measured, 9);
  EXPECT_EQ(end.last.current.offset, "100.0") << "the half tick at the end is not a tick of its own";
  EXPECT_EQ(end.samples, 950u);
  EXPECT_EQ(end.partial_tick, 50u);
  EXPECT_TRUE(platform::OpenDialogs().empty());
}

}  // namespace
}  // namespace varnok::analyzer
