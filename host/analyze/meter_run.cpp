#include "host/analyze/meter_run.h"

#include <algorithm>

#include "framework/render_signal.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/no_values.h"
#include "platform/dialog_driver.h"

namespace varnok::host {
namespace {

// Closes the window however the run ends, as the user would.
class OpenWindow {
 public:
  explicit OpenWindow(MachineBase& machine) {
    dialog_ = OpenMeterWindow(machine);
    if (dialog_ == nullptr) throw NoMeterWindow();
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

MeterEnd RunMeter(MachineBase& machine, const MachineDescription& description, const AudioPull& pull,
                  int every, const MeterReport& report) {
  machine.Initialize(nullptr);
  const std::vector<std::uint8_t> no_values = NoValueFrame(description, 0);
  const OpenWindow window(machine);
  const std::size_t per_tick = static_cast<std::size_t>(std::max(machine.host_info->samples_per_tick, 1));
  const auto block = static_cast<std::size_t>(kMaxBlock);

  MeterEnd end;
  int tick = 0;
  int reported = 0;
  for (;; ++tick) {
    if (machine.global_values != nullptr) std::copy(no_values.begin(), no_values.end(), machine.global_values);
    machine.ApplyTick();
    platform::PumpDialogMessages();
    // Pulling before reporting changes nothing the machine sees, and tells
    // whether this is the tick after the last, which only refreshes.
    std::size_t count = 0;
    float* const tick_samples = pull(per_tick, count);
    if (count == 0) break;
    if (every > 0 && tick > 0 && tick % every == 0) {
      report(ReadMeterWindow(window.Dialog(), tick));
      reported = tick;
    }
    for (std::size_t at = 0; at < count; at += block) {
      const std::size_t n = std::min(block, count - at);
      machine.Render(tick_samples + at, static_cast<int>(n), kRenderHasInput);
    }
    end.samples += count;
    if (count < per_tick) {
      end.partial_tick = count;
      break;
    }
  }
  end.last = ReadMeterWindow(window.Dialog(), tick);
  if (every > 0 && reported != tick) report(end.last);
  return end;
}

MeterEnd RunMeter(MachineBase& machine, const MachineDescription& description, const std::vector<float>& samples,
                  int every, const MeterReport& report) {
  std::size_t next = 0;
  std::vector<float> tick;
  const AudioPull pull = [&](std::size_t frames, std::size_t& count) {
    count = std::min(frames, samples.size() - next);
    tick.assign(samples.begin() + static_cast<std::ptrdiff_t>(next),
                samples.begin() + static_cast<std::ptrdiff_t>(next + count));
    next += count;
    return tick.data();
  };
  return RunMeter(machine, description, pull, every, report);
}

}  // namespace varnok::host
