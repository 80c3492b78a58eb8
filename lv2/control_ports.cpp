#include "lv2/control_ports.h"

#include <algorithm>
#include <cmath>

namespace varnok::lv2 {

std::int32_t PortValue(float value, std::int32_t min_value, std::int32_t max_value,
                       std::int32_t default_value) noexcept {
  if (std::isnan(value)) return default_value;
  const double clamped = std::clamp<double>(value, min_value, max_value);
  return static_cast<std::int32_t>(std::lround(clamped));
}

void AttributePorts::Apply(HostedMachine& hosted) noexcept {
  const MachineDescription& d = hosted.Description();
  MachineBase& machine = hosted.Machine();
  bool changed = false;
  for (int i = 0; i < d.attribute_count; ++i) {
    if (ports_[i] == nullptr) continue;
    const AttributeDescriptor& a = *d.attributes[i];
    const std::int32_t value = PortValue(*ports_[i], a.min_value, a.max_value, a.default_value);
    if (value == machine.attribute_values[i]) continue;
    machine.attribute_values[i] = value;
    changed = true;
  }
  if (changed) machine.ApplyAttributes();
}

TrackControlPorts::TrackControlPorts(const MachineDescription& description, int first, int count) noexcept
    : description_(description), first_(first), count_(count) {
  for (int j = 0; j < count_; ++j) {
    written_[j] = description_.params[description_.global_param_count + first_ + j]->default_value;
  }
}

void TrackControlPorts::Write(HostedMachine& hosted) noexcept {
  for (int j = 0; j < count_; ++j) {
    if (ports_[j] == nullptr) continue;
    const ParamDescriptor& p = *description_.params[description_.global_param_count + first_ + j];
    const std::int32_t value = PortValue(*ports_[j], p.min_value, p.max_value, p.default_value);
    if (value == written_[j]) continue;
    written_[j] = value;
    for (int t = 0; t < hosted.Tracks(); ++t) hosted.TrackBlock(t)[first_ + j] = static_cast<std::uint8_t>(value);
  }
}

}  // namespace varnok::lv2
