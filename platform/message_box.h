// A system message box: a title, a text, the information icon and one OK button.
#pragma once

namespace varnok::platform {

inline constexpr int kMessageBoxOk = 1;

// [ui] Shows the box with no owner window and returns its result once closed.
int ShowInformationBox(const char* title, const char* text) noexcept;

// Where boxes go instead, when set (a host without a screen, or a test that
// reads the text); null restores the system's box. Not for use while a box shows.
using MessageSink = int (*)(const char* title, const char* text);
void SetMessageSink(MessageSink sink) noexcept;

}  // namespace varnok::platform
