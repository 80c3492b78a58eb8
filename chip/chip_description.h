// What the host reads about the Chip before building one.
#pragma once

#include <array>

#include "framework/description.h"

namespace varnok::chip {

inline constexpr int kMaxTracks = 16;
inline constexpr int kChannelCount = 16;
inline constexpr int kControlCount = 3;

// Bytes of a track value block, in parameter order.
enum TrackParam : int {
  kNoteByte,
  kFirstControl,  // "Control1", "Control2", "Control3" follow
  kTrackParamCount = kFirstControl + kControlCount,
};

// Attribute values, in table order.
enum Attribute : int {
  kDynamicChannels,
  kDefaultVolume,
  kTrackAvailableDb,
  kAttributeCount,
};

extern const std::array<ParamDescriptor, kTrackParamCount> kTrackParamRows;
extern const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows;
extern const MachineDescription kChipDescription;

}  // namespace varnok::chip
