#include "framework/about_box.h"

#include <cstdio>

#include "platform/message_box.h"

namespace varnok {
namespace {

// The full name, then the count line between empty lines; 1 gives "machine".
constexpr const char* kAboutTemplate =
    "%s\n"
    "Machines by Varnok\n"
    "\n"
    "This song uses %d machine%s by Varnok\n"
    "\n"
    "Questions and ideas: see the project's README.";

}  // namespace

void FormatAboutText(const char* full_name, std::int32_t count, char (&text)[kAboutTextSize]) {
  std::snprintf(text, kAboutTextSize, kAboutTemplate, full_name, static_cast<int>(count),
                count == 1 ? "" : "s");
}

int ShowAbout(const char* title, const char* full_name, const InstanceCounter& counter) {
  char text[kAboutTextSize];
  FormatAboutText(full_name, counter.Value(), text);
  return platform::ShowInformationBox(title, text);
}

}  // namespace varnok
