// What the host is told about Varnok's Pulse: names, track parameters, attributes.
#pragma once

#include "framework/description.h"

namespace varnok::testgen {

inline constexpr int kMaxTracks = 16;

// Bytes of a track value block, in parameter order.
enum TrackParamIndex : int {
  kNoteByte = 0,
  kVelocityByte = 1,
  kFirstControlByte = 2,  // "Control1", "Control2", "Control3" follow
  kTrackParamCount = 5,
};

enum AttributeIndex : int {
  kDynamicChannels = 0,
  kDefaultVelocity = 1,
  kTrackAvailableDb = 2,
  kNoteOffAmplitude = 3,
  kAttributeCount = 4,
};

inline constexpr const char* kAboutTitle = "About Test Generator";

extern const MachineDescription kTestGenDescription;

inline const ParamDescriptor& TrackParam(int index) noexcept {
  return *kTestGenDescription.params[index];
}
inline const AttributeDescriptor& Attribute(int index) noexcept {
  return *kTestGenDescription.attributes[index];
}

}  // namespace varnok::testgen
