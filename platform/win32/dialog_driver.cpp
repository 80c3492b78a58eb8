#include "platform/dialog_driver.h"

#include <windows.h>

namespace varnok::platform {
namespace {

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (lstrcmpA(class_name, "#32770") == 0) {
    reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(
        reinterpret_cast<WindowHandle>(window));
  }
  return TRUE;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

int PumpDialogMessages() {
  int dispatched = 0;
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    ++dispatched;
  }
  return dispatched;
}

std::vector<WindowHandle> OpenDialogs() {
  std::vector<WindowHandle> open;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&open));
  // The system lists the newest first.
  return std::vector<WindowHandle>(open.rbegin(), open.rend());
}

std::string DialogCaption(WindowHandle dialog) { return TextOf(Hwnd(dialog)); }

bool DialogVisible(WindowHandle dialog) { return IsWindowVisible(Hwnd(dialog)) != FALSE; }

std::string ControlText(WindowHandle dialog, int id) {
  const HWND control = GetDlgItem(Hwnd(dialog), id);
  return control != nullptr ? TextOf(control) : std::string();
}

bool MenuItemChecked(WindowHandle dialog, int item_id) {
  const UINT state = GetMenuState(GetMenu(Hwnd(dialog)), static_cast<UINT>(item_id), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void ClickButton(WindowHandle dialog, int id) {
  SendMessageA(Hwnd(dialog), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Hwnd(dialog), id)));
}

void PickMenuItem(WindowHandle dialog, int item_id) {
  SendMessageA(Hwnd(dialog), WM_COMMAND, MAKEWPARAM(item_id, 0), 0);
}

void PressCloseBox(WindowHandle dialog) { SendMessageA(Hwnd(dialog), WM_CLOSE, 0, 0); }

}  // namespace varnok::platform
