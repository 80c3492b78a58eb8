// The bytes that tell a machine a parameter has no new value this tick.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/description.h"

namespace varnok::host {

inline std::uint8_t NoValueByte(const ParamDescriptor& param) {
  return param.kind == kNoteParam ? kNoNote : static_cast<std::uint8_t>(param.no_value);
}

// A tick's block of `d` with `tracks` tracks and no new values: the globals,
// then each track's parameters.
inline std::vector<std::uint8_t> NoValueFrame(const MachineDescription& d, int tracks) {
  std::vector<std::uint8_t> frame;
  for (int i = 0; i < d.global_param_count; ++i) frame.push_back(NoValueByte(*d.params[i]));
  for (int t = 0; t < tracks; ++t) {
    for (int i = 0; i < d.track_param_count; ++i) {
      frame.push_back(NoValueByte(*d.params[d.global_param_count + i]));
    }
  }
  return frame;
}

}  // namespace varnok::host
