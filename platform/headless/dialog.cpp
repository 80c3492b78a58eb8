#include "platform/dialog.h"

#include <algorithm>

#include "platform/headless/dialog_model.h"

namespace varnok::platform {
namespace headless {

DialogModel& DialogModel::Instance() noexcept {
  static DialogModel model;
  return model;
}

DialogState& DialogModel::Create(const DialogResource& resource, DialogProcedure procedure) {
  auto dialog = std::make_unique<DialogState>();
  dialog->window = next_window_++;
  dialog->procedure = procedure;
  dialog->visible = (resource.style & kStyleVisible) != 0;
  dialog->caption = resource.caption != nullptr ? resource.caption : "";
  for (std::size_t i = 0; i < resource.control_count; ++i) {
    const ControlResource& control = resource.controls[i];
    dialog->controls.push_back({control.id, next_window_++, control.text});
  }
  if (resource.menu != nullptr) {
    dialog->has_menu = true;
    for (std::size_t p = 0; p < resource.menu->popup_count; ++p) {
      const MenuPopupResource& popup = resource.menu->popups[p];
      for (std::size_t i = 0; i < popup.item_count; ++i) {
        dialog->menu_items.push_back({popup.items[i].id, false});
      }
    }
  }
  dialogs_.push_back(std::move(dialog));
  return *dialogs_.back();
}

bool DialogModel::Destroy(std::uintptr_t window) noexcept {
  const auto found = std::find_if(dialogs_.begin(), dialogs_.end(),
                                  [window](const auto& dialog) { return dialog->window == window; });
  if (found == dialogs_.end()) return false;
  dialogs_.erase(found);
  return true;
}

DialogState* DialogModel::Find(std::uintptr_t window) noexcept {
  for (const auto& dialog : dialogs_) {
    if (dialog->window == window) return dialog.get();
  }
  return nullptr;
}

DialogState* DialogModel::FindOwner(std::uintptr_t window, ControlState*& control) noexcept {
  control = nullptr;
  for (const auto& dialog : dialogs_) {
    if (dialog->window == window) return dialog.get();
    for (ControlState& item : dialog->controls) {
      if (item.window == window) {
        control = &item;
        return dialog.get();
      }
    }
  }
  return nullptr;
}

}  // namespace headless

using headless::DialogModel;
using headless::ToId;
using headless::ToWindow;

WindowHandle CreateModelessDialog(const DialogResource& resource, DialogProcedure procedure,
                                  std::intptr_t parameter) noexcept {
  std::uintptr_t window = 0;
  try {
    window = DialogModel::Instance().Create(resource, procedure).window;
  } catch (...) {
    return nullptr;
  }
  procedure(ToWindow(window), kInitDialogMessage, 0, parameter);
  return ToWindow(window);
}

bool ShowDialog(WindowHandle dialog) noexcept {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state == nullptr) return false;
  state->visible = true;
  return true;
}

bool DestroyDialog(WindowHandle dialog) noexcept {
  return DialogModel::Instance().Destroy(ToId(dialog));
}

bool PostDialogMessage(WindowHandle dialog, unsigned message, std::uintptr_t wparam,
                       std::intptr_t lparam) noexcept {
  if (dialog == nullptr) return false;
  return DialogModel::Instance().Queue().Post({ToId(dialog), message, wparam, lparam});
}

WindowHandle DialogItem(WindowHandle dialog, int id) noexcept {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state == nullptr) return nullptr;
  for (const headless::ControlState& control : state->controls) {
    if (control.id == id) return ToWindow(control.window);
  }
  return nullptr;
}

bool SetText(WindowHandle window, const char* text) noexcept {
  headless::ControlState* control = nullptr;
  headless::DialogState* dialog = DialogModel::Instance().FindOwner(ToId(window), control);
  if (dialog == nullptr) return false;
  try {
    (control != nullptr ? control->text : dialog->caption) = text != nullptr ? text : "";
  } catch (...) {
    return false;
  }
  return true;
}

// A dialog's menu has the dialog's own number.
MenuHandle DialogMenu(WindowHandle dialog) noexcept {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state == nullptr || !state->has_menu) return nullptr;
  return reinterpret_cast<MenuHandle>(state->window);
}

bool CheckMenuRadio(MenuHandle menu, int first, int last, int checked) noexcept {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(menu));
  if (state == nullptr || !state->has_menu || checked < first || checked > last) return false;
  for (headless::MenuItemState& item : state->menu_items) {
    if (item.id >= first && item.id <= last) item.checked = item.id == checked;
  }
  return true;
}

void SetDialogData(WindowHandle dialog, void* data) noexcept {
  if (headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog))) state->data = data;
}

void* DialogData(WindowHandle dialog) noexcept {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  return state != nullptr ? state->data : nullptr;
}

}  // namespace varnok::platform
