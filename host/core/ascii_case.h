// Case folding for names the host compares without regard to case (DLL names,
// file extensions): plain ASCII, whatever the locale.
#pragma once

#include <string>

namespace varnok::host {

inline std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace varnok::host
