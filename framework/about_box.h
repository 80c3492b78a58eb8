// The About box of the counted machines.
#pragma once

#include <cstddef>

#include "framework/instance_counter.h"

namespace varnok {

inline constexpr std::size_t kAboutTextSize = 512;

// Fills `text` with the About text for `full_name` and `count` machines alive
// ("machine" for exactly one, "machines" otherwise); never more than 511 characters.
void FormatAboutText(const char* full_name, std::int32_t count, char (&text)[kAboutTextSize]);

// Shows the About text in a system message box (no owner, information icon,
// OK button) and returns the box's result.
int ShowAbout(const char* title, const char* full_name, const InstanceCounter& counter);

}  // namespace varnok
