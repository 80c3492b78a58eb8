#include "platform/message_box.h"

#include <cstdio>

namespace varnok::platform {
namespace {
MessageSink message_sink = nullptr;
}

// No screen here: the box becomes two lines on standard error, closed at once.
int ShowInformationBox(const char* title, const char* text) noexcept {
  if (message_sink != nullptr) return message_sink(title, text);
  std::fprintf(stderr, "[%s]\n%s\n", title, text);
  return kMessageBoxOk;
}

void SetMessageSink(MessageSink sink) noexcept { message_sink = sink; }

}  // namespace varnok::platform
