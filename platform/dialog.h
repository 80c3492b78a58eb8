// The modeless dialogs a machine opens, behind a thin portable interface:
// the system's own dialogs on Windows, an in-process model elsewhere.
#pragma once

#include <cstdint>

#include "platform/dialog_resource.h"

// How the system calls a dialog procedure.
#if defined(_WIN32) && !defined(_WIN64)
#define DIALOG_CALL __stdcall
#else
#define DIALOG_CALL
#endif

namespace varnok::platform {

struct WindowObject;
struct MenuObject;
using WindowHandle = WindowObject*;
using MenuHandle = MenuObject*;

using DialogProcedure = std::intptr_t(DIALOG_CALL*)(WindowHandle dialog, unsigned message,
                                                    std::uintptr_t wparam, std::intptr_t lparam);

// Messages a dialog procedure receives, with the system's numbers.
inline constexpr unsigned kCloseMessage = 0x0010;
inline constexpr unsigned kInitDialogMessage = 0x0110;
inline constexpr unsigned kCommandMessage = 0x0111;
inline constexpr unsigned kFirstUserMessage = 0x0400;

// The command identifier of a command message: the low 16 bits of wparam.
inline constexpr int CommandId(std::uintptr_t wparam) noexcept {
  return static_cast<int>(wparam & 0xFFFFu);
}

// [ui] Creates `resource` of this library modelessly, without owner. The
// procedure gets kInitDialogMessage with `parameter` as lparam before this
// returns. Null on failure.
WindowHandle CreateModelessDialog(const DialogResource& resource, DialogProcedure procedure,
                                  std::intptr_t parameter) noexcept;
// [ui]
bool ShowDialog(WindowHandle dialog) noexcept;
// [ui] Pending messages to a destroyed dialog are dropped.
bool DestroyDialog(WindowHandle dialog) noexcept;
// [any thread] Queues a message for the dialog's thread; never waits, never
// allocates. Posting to a destroyed dialog fails silently.
bool PostDialogMessage(WindowHandle dialog, unsigned message, std::uintptr_t wparam,
                       std::intptr_t lparam) noexcept;
// [ui] The control `id` of `dialog`, or null.
WindowHandle DialogItem(WindowHandle dialog, int id) noexcept;
// [ui]
bool SetText(WindowHandle window, const char* text) noexcept;
// [ui] The dialog's menu bar, or null.
MenuHandle DialogMenu(WindowHandle dialog) noexcept;
// [ui] Checks item `checked` and clears the other items `first` to `last`
// (all by command identifier, searched through the pop-ups).
bool CheckMenuRadio(MenuHandle menu, int first, int last, int checked) noexcept;

// [ui] One pointer of the caller's own kept with each dialog, null at first.
void SetDialogData(WindowHandle dialog, void* data) noexcept;
void* DialogData(WindowHandle dialog) noexcept;

}  // namespace varnok::platform
