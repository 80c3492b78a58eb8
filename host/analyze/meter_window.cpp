#include "host/analyze/meter_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analyzer/analyzer_face.h"
#include "platform/dialog_driver.h"

namespace varnok::host {

platform::WindowHandle OpenMeterWindow(MachineBase& machine) {
  const std::vector<platform::WindowHandle> before = platform::OpenDialogs();
  machine.RunCommand(analyzer::kOpenCommand);
  // The window the command opened is the one that was not there before.
  for (platform::WindowHandle dialog : platform::OpenDialogs()) {
    if (std::find(before.begin(), before.end(), dialog) == before.end()) return dialog;
  }
  return nullptr;
}

MeterReading ReadMeterWindow(platform::WindowHandle dialog, int ticks_measured) {
  using namespace analyzer;
  MeterReading reading;
  reading.current = {platform::ControlText(dialog, kCurrentLevelText),
                     platform::ControlText(dialog, kCurrentAmplitudeText),
                     platform::ControlText(dialog, kCurrentOffsetText)};
  reading.average = {platform::ControlText(dialog, kAverageLevelText),
                     platform::ControlText(dialog, kAverageAmplitudeText),
                     platform::ControlText(dialog, kAverageOffsetText)};
  reading.ticks_measured = ticks_measured;
  return reading;
}

std::string FitColumn(const std::string& text) {
  if (text.size() <= kMeterColumnWidth) return text;
  // A number too long for the column keeps its unit and loses digits.
  char* unit = nullptr;
  const double value = std::strtod(text.c_str(), &unit);
  if (unit != text.c_str()) {
    for (int digits = 6; digits >= 1; --digits) {
      char fitted[64];
      std::snprintf(fitted, sizeof fitted, "%.*g%s", digits, value, unit);
      if (std::strlen(fitted) <= kMeterColumnWidth) return fitted;
    }
  }
  return text.substr(0, kMeterColumnWidth - 1) + "~";
}

void PrintMeterTable(const MeterReading& reading, std::FILE* out) {
  using namespace analyzer;
  const auto row = [out](const char* label, const std::string& current, const std::string& average) {
    std::fprintf(out, "%-11s %10s %10s\n", label, FitColumn(current).c_str(), FitColumn(average).c_str());
  };
  row("", kCurrentColumnLabel, kAverageColumnLabel);
  row(kLevelLabel, reading.current.level, reading.average.level);
  row(kAmplitudeLabel, reading.current.amplitude, reading.average.amplitude);
  row(kOffsetLabel, reading.current.offset, reading.average.offset);
}

}  // namespace varnok::host
