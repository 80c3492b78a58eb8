// The ports of each plug-in, in index order. The glue finds what a port index
// means here, and the build writes the .ttl files from the same layout, so the
// two cannot drift apart.
#pragma once

#include <cstdint>

namespace varnok::lv2 {

enum class PortRole {
  kAudioIn,
  kAudioOut,
  kEvents,        // MIDI and the host's time position, an atom sequence
  kTrackControl,  // a track parameter of the machine, given to every track
  kAttribute,     // an attribute of the machine
  kTempo,         // beats per minute, where the host gives no time position
  kRefreshRate,   // the meter window's two settings
  kAveraging,
  kReading,       // what the meter window shows
};

struct PortSlot {
  PortRole role;
  int item;  // which control, attribute or reading of its kind
};

// The meter window's six values, in port order.
enum Reading : int {
  kCurrentLevel,
  kCurrentAmplitude,
  kCurrentOffset,
  kAverageLevel,
  kAverageAmplitude,
  kAverageOffset,
  kReadingCount,
};

// Port 0 takes the input (audio, or an atom sequence of events), port 1 gives
// the audio out; controls follow.
struct PortLayout {
  bool events;
  int first_track_control;  // its index among the machine's track parameters
  int track_controls;
  int attributes;
  bool meter;  // the window's settings, the tempo and the readings

  constexpr std::uint32_t Count() const noexcept {
    return 2u + static_cast<std::uint32_t>(track_controls + attributes) +
           (meter ? 3u + kReadingCount : 0u);
  }

  // [any] What port `index` is, for an index below Count().
  constexpr PortSlot SlotOf(std::uint32_t index) const noexcept {
    if (index == 0) return {events ? PortRole::kEvents : PortRole::kAudioIn, 0};
    if (index == 1) return {PortRole::kAudioOut, 0};
    int at = static_cast<int>(index) - 2;
    if (at < track_controls) return {PortRole::kTrackControl, at};
    at -= track_controls;
    if (at < attributes) return {PortRole::kAttribute, at};
    at -= attributes;
    if (at == 0) return {PortRole::kRefreshRate, 0};
    if (at == 1) return {PortRole::kAveraging, 0};
    if (at == 2) return {PortRole::kTempo, 0};
    return {PortRole::kReading, at - 3};
  }
};

}  // namespace varnok::lv2
