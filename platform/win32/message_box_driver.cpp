#include "platform/message_box_driver.h"

#include <windows.h>

namespace varnok::platform {
namespace {

constexpr DWORD kPollMs = 10;

// The box's message is its longest static text; the icon is a static too.
BOOL CALLBACK KeepLongestText(HWND child, LPARAM longest) {
  char class_name[16] = {};
  GetClassNameA(child, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Static") != 0) return TRUE;
  char text[1024] = {};
  GetWindowTextA(child, text, sizeof text);
  auto* kept = reinterpret_cast<std::string*>(longest);
  if (lstrlenA(text) > static_cast<int>(kept->size())) *kept = text;
  return TRUE;
}

HWND FindOwnBox(const char* title) {
  const HWND box = FindWindowA("#32770", title);
  DWORD process = 0;
  if (box == nullptr || GetWindowThreadProcessId(box, &process) == 0) return nullptr;
  return process == GetCurrentProcessId() && IsWindowVisible(box) ? box : nullptr;
}

}  // namespace

bool AnswerMessageBox(const char* title, int timeout_ms, std::string& text) {
  for (DWORD waited = 0; waited <= static_cast<DWORD>(timeout_ms); waited += kPollMs) {
    if (const HWND box = FindOwnBox(title)) {
      text.clear();
      EnumChildWindows(box, KeepLongestText, reinterpret_cast<LPARAM>(&text));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return true;
    }
    Sleep(kPollMs);
  }
  return false;
}

}  // namespace varnok::platform
