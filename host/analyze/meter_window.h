// The Analyzer's window as a user sees it: opened by its command, read off its
// six value texts, printed in its own layout.
#pragma once

#include <cstdio>
#include <string>

#include "framework/machine_base.h"
#include "platform/dialog.h"

namespace varnok::host {

struct MeterColumn {
  std::string level;
  std::string amplitude;
  std::string offset;
};

struct MeterReading {
  MeterColumn current;
  MeterColumn average;
  int ticks_measured = 0;  // ticks of audio the window has refreshed for
};

// Picks the machine's "Open..." and returns the window it opened, or null.
// [ui] The dialog belongs to the calling thread.
platform::WindowHandle OpenMeterWindow(MachineBase& machine);

// The six texts the window shows now.
MeterReading ReadMeterWindow(platform::WindowHandle dialog, int ticks_measured);

// Characters of a value column; a longer window text is fitted to it.
inline constexpr std::size_t kMeterColumnWidth = 10;
// `text` as the column shows it: as it is, or a number with fewer digits and
// its unit, or cut and marked with '~'.
std::string FitColumn(const std::string& text);

// Lines that PrintMeterTable writes.
inline constexpr int kMeterTableLines = 4;
// The window's own layout: labels left, values right-aligned under their heads.
void PrintMeterTable(const MeterReading& reading, std::FILE* out = stdout);

}  // namespace varnok::host
