// The meter window: a modeless dialog showing the level, amplitude and offset,
// current and averaged, refreshed once per tick by a message from the audio side.
#pragma once

#include <atomic>
#include <cstdint>

#include "analyzer/measurement.h"
#include "analyzer/meter_refresh.h"
#include "framework/host_objects.h"
#include "framework/instance_counter.h"
#include "platform/dialog.h"

namespace varnok::analyzer {

// Posted once per tick by the audio side.
inline constexpr unsigned kRefreshMessage = platform::kFirstUserMessage + 1;

inline constexpr std::int32_t kDefaultRefreshRate = 0;  // "&1 Tick"
inline constexpr std::int32_t kDefaultAveraging = 1;    // "Medium"

// [ui] The procedure of every meter dialog. It reaches the window that opened
// the dialog, which lives at least as long as the dialog.
std::intptr_t DIALOG_CALL AnalyzerDialogProc(platform::WindowHandle dialog, unsigned message,
                                             std::uintptr_t wparam, std::intptr_t lparam);

// The dialog is open or not. Only the interface thread opens and closes it;
// the audio side's Tick only reads the handle to post the refresh.
class AnalyzerWindow final {
 public:
  // What the window reads: the measures the audio side gathers, and the count
  // its About box shows. Both outlive the window.
  AnalyzerWindow(Measurement& measures, const InstanceCounter& counter) noexcept
      : measurement(measures), instance_counter(counter) {}
  // Destroys a dialog still open.
  ~AnalyzerWindow() { Close(); }
  AnalyzerWindow(const AnalyzerWindow&) = delete;
  AnalyzerWindow& operator=(const AnalyzerWindow&) = delete;

  // [ui] In Initialize: keeps the procedure and the host's timing record, whose
  // tick length each refresh reads, and reads the stored settings; `saved` may
  // be null.
  void Setup(platform::DialogProcedure procedure, const HostInfo* timing, StateInput* saved);
  // [ui] On the refresh message: takes the tick's measures into the averages
  // and rewrites the texts that are due in `dialog`.
  void Refresh(platform::WindowHandle dialog);
  // [ui] Opens the dialog, or shows the one open.
  void Show();
  // [ui] Destroys the dialog if open.
  void Close();
  // [audio] Asks an open dialog for a refresh.
  void Tick() noexcept;
  // [ui] In SaveState.
  void SaveSettings(StateOutput* out);
  // [ui] The About box, from the menu or the window's button.
  int ShowAbout() const;

  // [ui] The procedure's work for a dialog of this window.
  std::intptr_t OnDialogMessage(platform::WindowHandle dialog, unsigned message,
                                std::uintptr_t wparam);

  std::int32_t RefreshRate() const noexcept { return refresh_rate; }
  std::int32_t Averaging() const noexcept { return averaging; }
  bool IsOpen() const noexcept;

 private:
  void CheckMenu(platform::WindowHandle dialog) const noexcept;
  void CloseByUser(platform::WindowHandle dialog) noexcept;

  Measurement& measurement;
  const InstanceCounter& instance_counter;
  const HostInfo* host_info = nullptr;
  platform::DialogProcedure dialog_procedure = nullptr;
  // The open dialog, or null: stored by the interface thread alone, read by
  // Tick on the audio side. Release and acquire, so that a Tick that sees a
  // handle sees the dialog it names. A Tick that read the handle just before
  // the user closed the dialog posts to a window that is gone, which the
  // system ignores.
  std::atomic<platform::WindowHandle> handle{nullptr};
  static_assert(std::atomic<platform::WindowHandle>::is_always_lock_free, "Tick must not lock");
  std::int32_t refresh_rate = kDefaultRefreshRate;
  std::int32_t averaging = kDefaultAveraging;
  MeterRefresh meter;  // the refresh count and the averages
};

}  // namespace varnok::analyzer
