#include "host/analyze/meter_window.h"

#include <algorithm>
#include <cstdio>
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

void PrintMeterTable(const MeterReading& reading, std::FILE* out) {
  using namespace analyzer;
  std::fprintf(out, "%-11s %10s %10s\n", "", kCurrentColumnLabel, kAverageColumnLabel);
  std::fprintf(out, "%-11s %10s %10s\n", kLevelLabel, reading.current.level.c_str(), reading.average.level.c_str());
  std::fprintf(out, "%-11s %10s %10s\n", kAmplitudeLabel, reading.current.amplitude.c_str(),
               reading.average.amplitude.c_str());
  std::fprintf(out, "%-11s %10s %10s\n", kOffsetLabel, reading.current.offset.c_str(),
               reading.average.offset.c_str());
}

}  // namespace varnok::host
