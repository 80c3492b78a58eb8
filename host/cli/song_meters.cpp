#include "host/cli/song_meters.h"

#include <cstdio>
#include <cstring>

#include "analyzer/analyzer_face.h"
#include "host/analyze/meter_window.h"
#include "platform/dialog_driver.h"

namespace varnok::host::cli {
namespace {

bool IsAnalyzer(const MachineDescription& description) {
  return std::strcmp(description.full_name, analyzer::kAnalyzerName) == 0;
}

}  // namespace

SongMeters::SongMeters(SongRenderer& renderer, Pumping pumping) : renderer_(renderer) {
  for (std::size_t m = 0; m < renderer.MachineCount(); ++m) {
    if (!IsAnalyzer(*renderer.Placed(m).description)) continue;
    if (platform::WindowHandle dialog = OpenMeterWindow(renderer.MachineAt(m))) {
      meters_.push_back({m, dialog});
    }
  }
  if (!meters_.empty() && pumping == Pumping::kAfterEachTick) renderer.AddAfterTick([](int) { platform::PumpDialogMessages(); });
}

SongMeters::~SongMeters() {
  if (meters_.empty()) return;  // no window: leave the dialogs' model unbuilt
  for (const Meter& meter : meters_) platform::PressCloseBox(meter.dialog);
  platform::PumpDialogMessages();
}

void SongMeters::Print(std::FILE* out) const {
  if (meters_.empty()) return;
  // One more tick, as a host that plays on would give, refreshes each window
  // for the song's last tick, so the readings cover all of it, as analyze's do.
  for (const Meter& meter : meters_) {
    const BoundMachine& placed = renderer_.Placed(meter.machine);
    MachineBase& machine = renderer_.MachineAt(meter.machine);
    if (placed.global_bytes > 0) std::memcpy(machine.global_values, placed.empty_frame.data(), placed.global_bytes);
    machine.ApplyTick();
  }
  platform::PumpDialogMessages();
  PrintShown(out);
}

int SongMeters::PrintedLines() const { return static_cast<int>(meters_.size()) * (1 + kMeterTableLines); }

void SongMeters::PrintShown(std::FILE* out) const {
  for (const Meter& meter : meters_) {
    std::fprintf(out, "%s (%s)\n", renderer_.Placed(meter.machine).name.c_str(),
                 renderer_.Placed(meter.machine).description->full_name);
    PrintMeterTable(ReadMeterWindow(meter.dialog, 0), out);
  }
}

}  // namespace varnok::host::cli
