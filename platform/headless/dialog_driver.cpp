#include "platform/dialog_driver.h"

#include "platform/headless/dialog_model.h"

namespace varnok::platform {
namespace {

using headless::DialogModel;
using headless::ToId;
using headless::ToWindow;

// Like the system's SendMessage: straight to the procedure, if the dialog lives.
void Send(WindowHandle dialog, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state != nullptr) state->procedure(dialog, message, wparam, lparam);
}

}  // namespace

int PumpDialogMessages() {
  int dispatched = 0;
  headless::PostedMessage message{};
  while (DialogModel::Instance().Queue().Take(message)) {
    headless::DialogState* state = DialogModel::Instance().Find(message.window);
    if (state == nullptr) continue;
    state->procedure(ToWindow(message.window), message.message, message.wparam, message.lparam);
    ++dispatched;
  }
  return dispatched;
}

std::vector<WindowHandle> OpenDialogs() {
  std::vector<WindowHandle> open;
  for (const auto& dialog : DialogModel::Instance().Dialogs()) open.push_back(ToWindow(dialog->window));
  return open;
}

std::string DialogCaption(WindowHandle dialog) {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  return state != nullptr ? state->caption : std::string();
}

bool DialogVisible(WindowHandle dialog) {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  return state != nullptr && state->visible;
}

std::string ControlText(WindowHandle dialog, int id) {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state == nullptr) return {};
  for (const headless::ControlState& control : state->controls) {
    if (control.id == id) return control.text;
  }
  return {};
}

bool MenuItemChecked(WindowHandle dialog, int item_id) {
  headless::DialogState* state = DialogModel::Instance().Find(ToId(dialog));
  if (state == nullptr) return false;
  for (const headless::MenuItemState& item : state->menu_items) {
    if (item.id == item_id) return item.checked;
  }
  return false;
}

void ClickButton(WindowHandle dialog, int id) {
  Send(dialog, kCommandMessage, static_cast<std::uintptr_t>(id & 0xFFFF),
       static_cast<std::intptr_t>(ToId(DialogItem(dialog, id))));
}

void PickMenuItem(WindowHandle dialog, int item_id) {
  Send(dialog, kCommandMessage, static_cast<std::uintptr_t>(item_id & 0xFFFF), 0);
}

void PressCloseBox(WindowHandle dialog) { Send(dialog, kCloseMessage, 0, 0); }

}  // namespace varnok::platform
