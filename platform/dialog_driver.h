// What a host's message loop and its user do to open dialogs: for the stand-in
// host and for tests. [ui] Every call on the thread that owns the dialogs.
#pragma once

#include <string>
#include <vector>

#include "platform/dialog.h"

namespace varnok::platform {

// Dispatches every message posted so far to its dialog's procedure; returns
// how many were dispatched.
int PumpDialogMessages();

// The open dialogs of this thread, oldest first.
std::vector<WindowHandle> OpenDialogs();

std::string DialogCaption(WindowHandle dialog);
bool DialogVisible(WindowHandle dialog);
// The text of control `id`; empty when there is no such control.
std::string ControlText(WindowHandle dialog, int id);
bool MenuItemChecked(WindowHandle dialog, int item_id);

// The user's actions, delivered to the procedure before returning.
void ClickButton(WindowHandle dialog, int id);
void PickMenuItem(WindowHandle dialog, int item_id);
void PressCloseBox(WindowHandle dialog);

}  // namespace varnok::platform
