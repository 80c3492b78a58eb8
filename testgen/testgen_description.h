// What the host is told about Varnok's Pulse: names, track parameters, attributes.
#pragma once

#include <array>

#include "framework/description.h"

namespace varnok::testgen {

inline constexpr int kMaxTracks = 16;
inline constexpr int kControlCount = 3;

// Bytes of a track value block, in parameter order.
enum TrackParam : int {
  kNoteByte,
  kVelocityByte,
  kFirstControlByte,  // "Control1", "Control2", "Control3" follow
  kTrackParamCount = kFirstControlByte + kControlCount,
};

// Attribute values, in table order.
enum Attribute : int {
  kDynamicChannels,
  kDefaultVelocity,
  kTrackAvailableDb,
  kNoteOffAmplitude,
  kAttributeCount,
};

// Entries of the command list.
enum Command : int {
  kAboutCommand,
};

inline constexpr const char* kAboutTitle = "About Test Generator";

extern const std::array<ParamDescriptor, kTrackParamCount> kTrackParamRows;
extern const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows;
extern const MachineDescription kTestGenDescription;

}  // namespace varnok::testgen
