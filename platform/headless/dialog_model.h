// The headless stand-in for the system's dialogs: each dialog is built from its
// resource data and holds its controls' texts and its menu's checks. One model
// per process, shared by the host and every plug-in it loads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless/message_queue.h"

namespace varnok::platform::headless {

struct ControlState {
  int id;
  std::uintptr_t window;
  std::string text;
};

struct MenuItemState {
  int id;
  bool checked;
};

struct DialogState {
  std::uintptr_t window;
  DialogProcedure procedure;
  void* data = nullptr;
  bool visible = false;
  std::string caption;
  bool has_menu = false;
  std::vector<ControlState> controls;
  std::vector<MenuItemState> menu_items;
};

// [ui] All but the queue belongs to the user-interface thread.
class DialogModel final {
 public:
  static DialogModel& Instance() noexcept;

  DialogState& Create(const DialogResource& resource, DialogProcedure procedure);
  bool Destroy(std::uintptr_t window) noexcept;
  DialogState* Find(std::uintptr_t window) noexcept;
  // The dialog and, when `window` is one of its controls, that control.
  DialogState* FindOwner(std::uintptr_t window, ControlState*& control) noexcept;
  const std::vector<std::unique_ptr<DialogState>>& Dialogs() const noexcept { return dialogs_; }
  MessageQueue& Queue() noexcept { return queue_; }

 private:
  DialogModel() = default;
  std::uintptr_t next_window_ = 0x100;  // never reused, so a stale handle finds nothing
  std::vector<std::unique_ptr<DialogState>> dialogs_;
  MessageQueue queue_;
};

inline std::uintptr_t ToId(const void* handle) noexcept {
  return reinterpret_cast<std::uintptr_t>(handle);
}
inline WindowHandle ToWindow(std::uintptr_t id) noexcept {
  return reinterpret_cast<WindowHandle>(id);
}

}  // namespace varnok::platform::headless
