// The Analyzer through lilv: its output is its input bit for bit, and its six
// control outputs show, tick by tick, the numbers its own window shows, and at
// the end of a file what machine-host analyze prints at the same tempo.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analyzer/analyzer_machine.h"
#include "analyzer/dialog_template.h"
#include "framework/plugin_entry.h"
#include "framework/render_signal.h"
#include "host/analyze/meter_window.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "lv2/tick_clock.h"
#include "float_wav.h"
#include "platform/dialog_driver.h"
#include "same_samples.h"
#include "signals.h"

namespace varnok::lv2::testing {
namespace {

const char* const kReadings[] = {"current_rms_power", "current_amplitude", "current_dc_offset",
                                 "average_rms_power", "average_amplitude", "average_dc_offset"};

TEST(AnalyzerPassThrough, GivesItsInputBitForBit) {
  const std::vector<float> input = Signal("edges", 30000);
  for (const bool in_place : {false, true}) {
    for (const std::vector<std::uint32_t>& blocks : {std::vector<std::uint32_t>{1}, {256}, {8192, 1, 17, 9000}}) {
      LilvRenderer rig(kAnalyzerUri);
      EXPECT_TRUE(SameSamples(rig.Process(input, blocks, nullptr, in_place), input))
          << (in_place ? "in place, " : "") << "blocks of " << blocks.front() << " first";
    }
  }
}

// The number a text of the window shows, and its digits after the point.
struct Shown {
  double value;
  int digits;
};

Shown ParseShown(const std::string& text) {
  if (text == "-inf dB") return {-100.0, 0};
  const std::size_t point = text.find('.');
  int digits = 0;
  while (point != std::string::npos && point + 1 + digits < text.size() && std::isdigit(text[point + 1 + digits])) ++digits;
  return {std::strtod(text.c_str(), nullptr), digits};
}

// The plug-in's number, rounded to the text's digits, is the text.
::testing::AssertionResult Shows(const std::string& text, float number) {
  const Shown shown = ParseShown(text);
  const double half_digit = 0.5 * std::pow(10.0, -shown.digits);
  if (std::fabs(number - shown.value) <= half_digit + 1e-6 * std::fabs(shown.value)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "the plug-in reads " << number << ", the window shows '" << text << "'";
}

void ExpectReadings(const host::MeterReading& window, const LilvRenderer& rig, const std::string& where) {
  const std::string texts[] = {window.current.level, window.current.amplitude, window.current.offset,
                               window.average.level, window.average.amplitude, window.average.offset};
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(Shows(texts[i], rig.Get(kReadings[i]))) << kReadings[i] << " " << where;
}

// The window of an Analyzer that a host runs with the window open and the
// two settings picked in its menu, after each tick's refresh.
std::vector<host::MeterReading> WindowReadings(const std::vector<float>& signal, int bpm, int refresh_rate,
                                               int averaging) {
  HostInfo info = host::MakeHostInfo(static_cast<int>(kRate), bpm, 4);
  host::StandInHostServices services;
  host::MachineInstance machine(CreateMachineOf<analyzer::AnalyzerMachine>(), info, services);
  machine->Initialize(nullptr);
  const platform::WindowHandle dialog = host::OpenMeterWindow(*machine);
  platform::PickMenuItem(dialog, analyzer::kFirstRefreshRateItem + refresh_rate);
  platform::PickMenuItem(dialog, analyzer::kFirstAveragingItem + averaging);
  std::vector<host::MeterReading> readings;
  std::vector<float> tick(static_cast<std::size_t>(info.samples_per_tick));
  for (std::size_t at = 0; at < signal.size(); at += tick.size()) {
    machine->global_values[0] = kNoValue;
    machine->ApplyTick();
    platform::PumpDialogMessages();
    readings.push_back(host::ReadMeterWindow(dialog, static_cast<int>(readings.size())));
    const std::size_t count = std::min(tick.size(), signal.size() - at);
    for (std::size_t i = 0; i < count; ++i) tick[i] = signal[at + i] * kFullLevel;
    machine->Render(tick.data(), static_cast<int>(count), kRenderHasInput);
  }
  platform::PressCloseBox(dialog);
  platform::PumpDialogMessages();
  return readings;
}

struct WindowCase {
  const char* signal;
  int bpm;
  int refresh_rate;  // 1, 2 or 4 ticks
  int averaging;     // Low, Medium, High
};

class AnalyzerWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(AnalyzerWindow, ReadingsChangeWithTheWindowsTextsAndShowTheirNumbers) {
  const WindowCase& c = GetParam();
  const std::uint32_t tick = SamplesPerTick(kRate, c.bpm);
  const std::vector<float> signal = Signal(c.signal, 40 * tick);
  const std::vector<host::MeterReading> window = WindowReadings(signal, c.bpm, c.refresh_rate, c.averaging);
  LilvRenderer rig(kAnalyzerUri);
  rig.Set("tempo", static_cast<float>(c.bpm));
  rig.Set("refresh_rate", static_cast<float>(c.refresh_rate));
  rig.Set("averaging", static_cast<float>(c.averaging));
  for (std::size_t k = 0; k < window.size(); ++k) {
    const std::vector<float> part(signal.begin() + k * tick, signal.begin() + (k + 1) * tick);
    rig.Process(part, {100, 7, 4096});
    ExpectReadings(window[k], rig, "after tick " + std::to_string(k));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalyzerWindow,
                         ::testing::Values(WindowCase{"sine", 125, 0, 1}, WindowCase{"noise", 125, 2, 2},
                                           WindowCase{"sine_over_dc", 97, 1, 0}, WindowCase{"step", 240, 0, 2},
                                           WindowCase{"dc", 125, 2, 0}),
                         [](const auto& info) {
                           return std::string(info.param.signal) + "_" + std::to_string(info.param.bpm) + "bpm";
                         });

// The last JSON line of machine-host analyze before its summary.
host::MeterReading AnalyzeFile(const std::string& file, int bpm) {
  const std::string command =
      std::string("'") + VARNOK_MACHINE_HOST + "' analyze --json --bpm " + std::to_string(bpm) + " '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  std::string last, line;
  char buffer[4096];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    line = buffer;
    if (line.find("\"current\"") != std::string::npos) last = line;
  }
  EXPECT_EQ(pipe != nullptr ? pclose(pipe) : -1, 0) << command;
  // The text of "field": "..." within "column": {...}.
  const auto text = [&](const char* column, const char* field) {
    const std::size_t object = last.find(std::string("\"") + column + "\": {");
    const std::string key = std::string("\"") + field + "\": \"";
    const std::size_t at = object == std::string::npos ? object : last.find(key, object);
    EXPECT_NE(at, std::string::npos) << column << "." << field << " in " << last;
    if (at == std::string::npos) return std::string();
    const std::size_t start = at + key.size();
    return last.substr(start, last.find('"', start) - start);
  };
  host::MeterReading reading;
  reading.current = {text("current", "level"), text("current", "amplitude"), text("current", "offset")};
  reading.average = {text("average", "level"), text("average", "amplitude"), text("average", "offset")};
  return reading;
}

struct FileCase {
  const char* signal;
  int bpm;
};

class AnalyzerFile : public ::testing::TestWithParam<FileCase> {};

// One frame after the file starts the tick whose refresh reads the last whole
// tick, as analyze's last refresh does.
TEST_P(AnalyzerFile, ReadsWhatMachineHostAnalyzePrintsAtTheSameTempo) {
  const FileCase& c = GetParam();
  std::vector<float> signal = Signal(c.signal, 40 * SamplesPerTick(kRate, c.bpm) + 1000);
  const std::string file = ::testing::TempDir() + "lv2_meter_" + c.signal + ".wav";
  WriteFloatWav(file, signal, static_cast<int>(kRate));
  const host::MeterReading analyzed = AnalyzeFile(file, c.bpm);
  LilvRenderer rig(kAnalyzerUri);
  rig.Set("tempo", static_cast<float>(c.bpm));
  signal.push_back(0.0f);
  rig.Process(signal);
  ExpectReadings(analyzed, rig, "at the end of the file");
  std::remove(file.c_str());
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalyzerFile,
                         ::testing::Values(FileCase{"sine", 125}, FileCase{"noise", 97}, FileCase{"dc", 240},
                                           FileCase{"sine_over_dc", 125}),
                         [](const auto& info) {
                           return std::string(info.param.signal) + "_" + std::to_string(info.param.bpm) + "bpm";
                         });

}  // namespace
}  // namespace varnok::lv2::testing
