// A mistake in a song file, told as file:line:column: what was expected.
#pragma once

#include <string>

#include "host/core/host_error.h"

namespace varnok::host {

// Where a word stands in a song file; both counted from 1.
struct Place {
  int line = 0;
  int column = 0;
};

class SongError final : public HostError {
 public:
  SongError(const std::string& file, Place place, const std::string& what)
      : HostError(file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) +
                  ": " + what) {}
};

}  // namespace varnok::host
