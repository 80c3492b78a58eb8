// Control input ports that carry a machine's attributes and track parameters.
// A host may write any float into a port; the machine gets the nearest value
// its description allows.
#pragma once

#include <array>
#include <cstdint>

#include "framework/description.h"
#include "lv2/hosted_machine.h"

namespace varnok::lv2 {

// [audio] The nearest whole number within min..max; the default for not-a-number.
std::int32_t PortValue(float value, std::int32_t min_value, std::int32_t max_value,
                       std::int32_t default_value) noexcept;

inline constexpr int kMostPorts = 8;

// The attributes, written into the machine and applied when a port has changed.
class AttributePorts final {
 public:
  void Connect(int attribute, const float* port) noexcept { ports_[attribute] = port; }
  // [audio] At a tick's start, before ApplyTick: a changed port is written into
  // the attribute block, and ApplyAttributes follows.
  void Apply(HostedMachine& hosted) noexcept;

 private:
  std::array<const float*, kMostPorts> ports_{};
};

// Track parameters that the host sets for every track at once: a port that
// has changed writes its byte into each track's value block at the next tick,
// as a pattern cell would.
class TrackControlPorts final {
 public:
  // `first`: the first such parameter among the track parameters.
  TrackControlPorts(const MachineDescription& description, int first, int count) noexcept;
  void Connect(int control, const float* port) noexcept { ports_[control] = port; }
  // [audio] At a tick's start, before ApplyTick.
  void Write(HostedMachine& hosted) noexcept;

 private:
  const MachineDescription& description_;
  int first_;
  int count_;
  std::array<const float*, kMostPorts> ports_{};
  std::array<std::int32_t, kMostPorts> written_{};  // what each track last got
};

}  // namespace varnok::lv2
