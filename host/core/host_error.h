#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varnok::host {

// A failure the host reports to its user in one line and stops for.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` with every control character written as \xNN, so that what a user
// typed, a file held or a plug-in said cannot break a message's line or drive
// the terminal; those in `kept` (a text's own line ends) stay as they are.
inline std::string Escaped(std::string_view text, std::string_view kept = {}) {
  std::string shown;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 || byte == 0x7F) && kept.find(c) == std::string_view::npos) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      shown += escape;
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace varnok::host
