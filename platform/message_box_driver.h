// What a user does to a system message box: for tests.
#pragma once

#include <string>

namespace varnok::platform {

// [any thread] Waits up to `timeout_ms` for a message box titled `title` shown
// by this process, reads its text into `text` and presses OK. False when no
// such box came (where boxes never stay open, none ever does).
bool AnswerMessageBox(const char* title, int timeout_ms, std::string& text);

}  // namespace varnok::platform
