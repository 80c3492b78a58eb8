#include "host/cli/song_meters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "analyzer/analyzer_description.h"
#include "analyzer/dialog_template.h"
#include "platform/dialog_driver.h"

namespace varnok::host::cli {
namespace {

bool IsAnalyzer(const MachineDescription& description) {
  return std::strcmp(description.full_name, analyzer::kAnalyzerDescription.full_name) == 0;
}

platform::WindowHandle NewDialog(const std::vector<platform::WindowHandle>& before) {
  for (platform::WindowHandle dialog : platform::OpenDialogs()) {
    if (std::find(before.begin(), before.end(), dialog) == before.end()) return dialog;
  }
  return nullptr;
}

}  // namespace

SongMeters::SongMeters(SongRenderer& renderer) : renderer_(renderer) {
  for (std::size_t m = 0; m < renderer.MachineCount(); ++m) {
    if (!IsAnalyzer(*renderer.Placed(m).description)) continue;
    const auto before = platform::OpenDialogs();
    renderer.MachineAt(m).RunCommand(analyzer::kOpenCommand);
    if (platform::WindowHandle dialog = NewDialog(before)) meters_.push_back({m, dialog});
  }
  if (!meters_.empty()) renderer.AddAfterTick([](int) { platform::PumpDialogMessages(); });
}

SongMeters::~SongMeters() {
  for (const Meter& meter : meters_) platform::PressCloseBox(meter.dialog);
  platform::PumpDialogMessages();
}

void SongMeters::Print() const {
  using namespace analyzer;
  for (const Meter& meter : meters_) {
    const auto text = [&meter](int id) { return platform::ControlText(meter.dialog, id); };
    std::printf("%s (%s)\n", renderer_.Placed(meter.machine).name.c_str(),
                renderer_.Placed(meter.machine).description->full_name);
    std::printf("                %-12s %s\n", "current", "average");
    std::printf("  RMS level     %-12s %s\n", text(kCurrentLevelText).c_str(), text(kAverageLevelText).c_str());
    std::printf("  peak-to-peak  %-12s %s\n", text(kCurrentAmplitudeText).c_str(),
                text(kAverageAmplitudeText).c_str());
    std::printf("  DC offset     %-12s %s\n", text(kCurrentOffsetText).c_str(), text(kAverageOffsetText).c_str());
  }
}

}  // namespace varnok::host::cli
