#include "platform/dialog.h"

#include <windows.h>

#include "platform/module.h"

namespace varnok::platform {
namespace {

static_assert(kCloseMessage == WM_CLOSE && kInitDialogMessage == WM_INITDIALOG &&
              kCommandMessage == WM_COMMAND && kFirstUserMessage == WM_USER);
static_assert(kStylePopup == WS_POPUP && kStyleChild == WS_CHILD && kStyleVisible == WS_VISIBLE &&
              kStyleCaption == WS_CAPTION && kStyleSystemMenu == WS_SYSMENU &&
              kStyleGroup == WS_GROUP && kStyleTabStop == WS_TABSTOP &&
              kStyleModalFrame == DS_MODALFRAME);
static_assert(kButtonPush == BS_PUSHBUTTON && kButtonDefaultPush == BS_DEFPUSHBUTTON &&
              kButtonGroupBox == BS_GROUPBOX && kButtonLeft == BS_LEFT &&
              kStaticLeft == SS_LEFT && kStaticRight == SS_RIGHT);

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

WindowHandle CreateModelessDialog(const DialogResource& resource, DialogProcedure procedure,
                                  std::intptr_t parameter) noexcept {
  // Same arguments and convention as DLGPROC; only the handle type is our own.
  const auto system_procedure =
      reinterpret_cast<DLGPROC>(reinterpret_cast<void (*)()>(procedure));
  const HWND dialog = CreateDialogParamA(static_cast<HINSTANCE>(ModuleHandle()),
                                         MAKEINTRESOURCEA(resource.id), nullptr, system_procedure,
                                         static_cast<LPARAM>(parameter));
  return reinterpret_cast<WindowHandle>(dialog);
}

bool ShowDialog(WindowHandle dialog) noexcept {
  ShowWindow(Hwnd(dialog), SW_SHOW);
  return dialog != nullptr;
}

bool DestroyDialog(WindowHandle dialog) noexcept { return DestroyWindow(Hwnd(dialog)) != FALSE; }

bool PostDialogMessage(WindowHandle dialog, unsigned message, std::uintptr_t wparam,
                       std::intptr_t lparam) noexcept {
  return PostMessageA(Hwnd(dialog), message, static_cast<WPARAM>(wparam),
                      static_cast<LPARAM>(lparam)) != FALSE;
}

WindowHandle DialogItem(WindowHandle dialog, int id) noexcept {
  return reinterpret_cast<WindowHandle>(GetDlgItem(Hwnd(dialog), id));
}

bool SetText(WindowHandle window, const char* text) noexcept {
  return SetWindowTextA(Hwnd(window), text) != FALSE;
}

MenuHandle DialogMenu(WindowHandle dialog) noexcept {
  return reinterpret_cast<MenuHandle>(GetMenu(Hwnd(dialog)));
}

bool CheckMenuRadio(MenuHandle menu, int first, int last, int checked) noexcept {
  return CheckMenuRadioItem(reinterpret_cast<HMENU>(menu), static_cast<UINT>(first),
                            static_cast<UINT>(last), static_cast<UINT>(checked),
                            MF_BYCOMMAND) != FALSE;
}

void SetDialogData(WindowHandle dialog, void* data) noexcept {
  SetWindowLongPtrA(Hwnd(dialog), DWLP_USER, reinterpret_cast<LONG_PTR>(data));
}

void* DialogData(WindowHandle dialog) noexcept {
  return reinterpret_cast<void*>(GetWindowLongPtrA(Hwnd(dialog), DWLP_USER));
}

}  // namespace varnok::platform
