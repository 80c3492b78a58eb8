#include "platform/message_box.h"

#include <windows.h>

namespace varnok::platform {
namespace {
MessageSink message_sink = nullptr;
}

int ShowInformationBox(const char* title, const char* text) noexcept {
  if (message_sink != nullptr) return message_sink(title, text);
  return MessageBoxA(nullptr, text, title, MB_OK | MB_ICONINFORMATION);
}

void SetMessageSink(MessageSink sink) noexcept { message_sink = sink; }

}  // namespace varnok::platform
