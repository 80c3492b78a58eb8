#include "analyzer/analyzer_window.h"

#include "analyzer/analyzer_description.h"
#include "analyzer/dialog_template.h"
#include "framework/about_box.h"
#include "analyzer/meter_display.h"
#include "analyzer/settings_stream.h"

namespace varnok::analyzer {
namespace {

using platform::WindowHandle;

// Only a stored stream can bring other values; they would index past the
// averaging table or shift by any amount.
std::int32_t ValidSetting(std::int32_t value, std::int32_t fallback) noexcept {
  return value >= 0 && value < kSettingCount ? value : fallback;
}

void WriteText(WindowHandle dialog, int control, const char* text) noexcept {
  platform::SetText(platform::DialogItem(dialog, control), text);
}

void WriteColumn(WindowHandle dialog, int level_control, int amplitude_control,
                 int offset_control, const MeterValues& values) noexcept {
  MeterText text;
  FormatLevel(values.ratio, text);
  WriteText(dialog, level_control, text);
  FormatAmplitude(values.range, text);
  WriteText(dialog, amplitude_control, text);
  FormatOffset(values.offset, text);
  WriteText(dialog, offset_control, text);
}

}  // namespace

std::intptr_t DIALOG_CALL AnalyzerDialogProc(WindowHandle dialog, unsigned message,
                                             std::uintptr_t wparam, std::intptr_t lparam) {
  if (message == platform::kInitDialogMessage) {
    platform::SetDialogData(dialog, reinterpret_cast<void*>(lparam));
  }
  auto* window = static_cast<AnalyzerWindow*>(platform::DialogData(dialog));
  if (window == nullptr) return 0;
  return window->OnDialogMessage(dialog, message, wparam);
}

std::intptr_t AnalyzerWindow::OnDialogMessage(WindowHandle dialog, unsigned message,
                                              std::uintptr_t wparam) {
  switch (message) {
    case platform::kInitDialogMessage:
      CheckMenu(dialog);
      return 0;
    case platform::kCloseMessage:
      CloseByUser(dialog);
      return 0;
    case kRefreshMessage:
      Refresh(dialog);
      return 1;
    case platform::kCommandMessage:
      break;
    default:
      return 0;
  }
  const int id = platform::CommandId(wparam);
  if (id == kCloseButton) {
    CloseByUser(dialog);
  } else if (id == kAboutButton) {
    ShowAbout();
  } else if (id >= kFirstRefreshRateItem && id <= kLastRefreshRateItem) {
    platform::CheckMenuRadio(platform::DialogMenu(dialog), kFirstRefreshRateItem,
                             kLastRefreshRateItem, id);
    refresh_rate = id - kFirstRefreshRateItem;
  } else if (id >= kFirstAveragingItem && id <= kLastAveragingItem) {
    platform::CheckMenuRadio(platform::DialogMenu(dialog), kFirstAveragingItem,
                             kLastAveragingItem, id);
    averaging = id - kFirstAveragingItem;
  } else {
    return 1;
  }
  return 0;
}

void AnalyzerWindow::CheckMenu(WindowHandle dialog) const noexcept {
  const platform::MenuHandle menu = platform::DialogMenu(dialog);
  platform::CheckMenuRadio(menu, kFirstRefreshRateItem, kLastRefreshRateItem,
                           kFirstRefreshRateItem + refresh_rate);
  platform::CheckMenuRadio(menu, kFirstAveragingItem, kLastAveragingItem,
                           kFirstAveragingItem + averaging);
}

void AnalyzerWindow::CloseByUser(WindowHandle dialog) noexcept {
  handle.store(nullptr, std::memory_order_release);
  platform::DestroyDialog(dialog);
}

void AnalyzerWindow::Setup(platform::DialogProcedure procedure, const HostInfo* timing,
                           StateInput* saved) {
  dialog_procedure = procedure;
  host_info = timing;
  SettingsReader reader(saved);
  refresh_rate = ValidSetting(reader.Get(kRefreshRateTag, kDefaultRefreshRate), kDefaultRefreshRate);
  averaging = ValidSetting(reader.Get(kAveragingTag, kDefaultAveraging), kDefaultAveraging);
}

void AnalyzerWindow::Refresh(WindowHandle dialog) {
  const MeterRefresh::Due due =
      meter.Step(measurement.Take(), host_info != nullptr ? host_info->samples_per_tick : 0, refresh_rate,
                 averaging);
  if (due.current) {
    WriteColumn(dialog, kCurrentLevelText, kCurrentAmplitudeText, kCurrentOffsetText,
                meter.Current());
  }
  if (due.average) {
    WriteColumn(dialog, kAverageLevelText, kAverageAmplitudeText, kAverageOffsetText,
                meter.Average());
  }
}

// This thread is the only one that stores the handle, so it reads it relaxed.
void AnalyzerWindow::Show() {
  WindowHandle open = handle.load(std::memory_order_relaxed);
  if (open == nullptr) {
    open = platform::CreateModelessDialog(kMeterDialog, dialog_procedure,
                                          reinterpret_cast<std::intptr_t>(this));
    if (open == nullptr) return;
    handle.store(open, std::memory_order_release);
  }
  platform::ShowDialog(open);
}

void AnalyzerWindow::Close() {
  const WindowHandle open = handle.load(std::memory_order_relaxed);
  if (open == nullptr) return;
  handle.store(nullptr, std::memory_order_release);
  platform::DestroyDialog(open);
}

void AnalyzerWindow::Tick() noexcept {
  const WindowHandle open = handle.load(std::memory_order_acquire);
  if (open != nullptr) platform::PostDialogMessage(open, kRefreshMessage, 0, 0);
}

void AnalyzerWindow::SaveSettings(StateOutput* out) {
  SettingsWriter writer(out);
  writer.Put(kRefreshRateTag, refresh_rate);
  writer.Put(kAveragingTag, averaging);
}

int AnalyzerWindow::ShowAbout() const {
  return varnok::ShowAbout(kAboutTitle, kAnalyzerDescription.full_name, instance_counter);
}

bool AnalyzerWindow::IsOpen() const noexcept { return handle.load(std::memory_order_acquire) != nullptr; }

}  // namespace varnok::analyzer
