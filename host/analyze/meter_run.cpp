#include "host/analyze/meter_run.h"

#include <algorithm>

#include "analyzer/analyzer_description.h"
#include "analyzer/dialog_template.h"
#include "analyzer/measurement.h"
#include "framework/description.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "platform/dialog_driver.h"

namespace varnok::host {
namespace {

// The dialog a command opened: the one that was not there before.
platform::WindowHandle OpenedDialog(const std::vector<platform::WindowHandle>& before) {
  for (platform::WindowHandle dialog : platform::OpenDialogs()) {
    if (std::find(before.begin(), before.end(), dialog) == before.end()) return dialog;
  }
  return nullptr;
}

MeterReading Read(platform::WindowHandle dialog, int ticks_measured) {
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

// Closes the window however the run ends, as the user would.
class OpenWindow {
 public:
  explicit OpenWindow(MachineBase& machine) {
    const auto before = platform::OpenDialogs();
    machine.RunCommand(analyzer::kOpenCommand);
    dialog_ = OpenedDialog(before);
    if (dialog_ == nullptr) throw HostError("the Analyzer opened no window");
  }
  ~OpenWindow() {
    platform::PressCloseBox(dialog_);
    platform::PumpDialogMessages();
  }
  OpenWindow(const OpenWindow&) = delete;
  OpenWindow& operator=(const OpenWindow&) = delete;
  platform::WindowHandle Dialog() const { return dialog_; }

 private:
  platform::WindowHandle dialog_;
};

}  // namespace

MeterReading RunMeter(MachineBase& machine, const std::vector<float>& samples, int every,
                      const MeterReport& report) {
  machine.Initialize(nullptr);
  const OpenWindow window(machine);
  const std::size_t per_tick = static_cast<std::size_t>(std::max(machine.host_info->samples_per_tick, 1));
  const std::size_t ticks = (samples.size() + per_tick - 1) / per_tick;
  std::vector<float> block(static_cast<std::size_t>(kMaxBlock));

  for (std::size_t tick = 0; tick <= ticks; ++tick) {
    if (machine.global_values != nullptr) machine.global_values[0] = kNoValue;
    machine.ApplyTick();
    platform::PumpDialogMessages();
    if (every > 0 && tick > 0 && tick < ticks && tick % static_cast<std::size_t>(every) == 0) {
      report(Read(window.Dialog(), static_cast<int>(tick)));
    }
    if (tick == ticks) break;
    const std::size_t end = std::min(samples.size(), (tick + 1) * per_tick);
    for (std::size_t at = tick * per_tick; at < end; at += block.size()) {
      const std::size_t n = std::min(block.size(), end - at);
      std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(at), n, block.begin());
      machine.Render(block.data(), static_cast<int>(n), analyzer::Measurement::kInputMode);
    }
  }
  const MeterReading last = Read(window.Dialog(), static_cast<int>(ticks));
  if (every > 0) report(last);
  return last;
}

}  // namespace varnok::host
