#pragma once

#include <stdexcept>

namespace varnok::host {

// A failure the host reports to its user in one line and stops for.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnok::host
