// What the host reads about the Chip before building one.
#pragma once

#include <cstdint>

#include "framework/description.h"

namespace varnok::chip {

// Track value block: the note byte, then three control bytes.
inline constexpr int kNoteByte = 0;
inline constexpr int kFirstControl = 1;
inline constexpr int kControlCount = 3;
inline constexpr int kTrackParamCount = kFirstControl + kControlCount;
inline constexpr int kMaxTracks = 16;
inline constexpr int kChannelCount = 16;

// Attribute values, in table order.
inline constexpr int kDynamicChannels = 0;
inline constexpr int kDefaultVolume = 1;
inline constexpr int kTrackAvailableAt = 2;
inline constexpr int kAttributeCount = 3;

extern const ParamDescriptor kNoteRow;
extern const ParamDescriptor kControlRows[kControlCount];
extern const AttributeDescriptor kAttributeRows[kAttributeCount];
extern const MachineDescription kChipDescription;

}  // namespace varnok::chip
