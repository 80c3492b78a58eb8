#include "lv2/hosted_machine.h"

#include <algorithm>
#include <cmath>

#include "host/core/no_values.h"

namespace varnok::lv2 {

HostedMachine::HostedMachine(Create create, const MachineDescription& description, double sample_rate,
                             int tracks)
    : description_(description), tracks_(tracks), machine_(create()) {
  if (machine_ == nullptr) return;
  info_.sample_rate = static_cast<std::int32_t>(std::lround(sample_rate));
  machine_->host_info = &info_;
  machine_->host_services = &services_;
  machine_->Initialize(nullptr);
  if (description.max_tracks > 0) machine_->SetTrackCount(tracks_);
  for (int i = 0; i < description.attribute_count; ++i) {
    machine_->attribute_values[i] = description.attributes[i]->default_value;
  }
  machine_->ApplyAttributes();
  ClearValues();
}

HostedMachine::~HostedMachine() {
  if (machine_ != nullptr) machine_->DeletingDestructor(1);
}

std::uint8_t* HostedMachine::TrackBlock(int track) noexcept {
  return machine_->track_values + track * description_.track_param_count;
}

void HostedMachine::ClearValues() noexcept {
  const MachineDescription& d = description_;
  for (int i = 0; i < d.global_param_count; ++i) machine_->global_values[i] = host::NoValueByte(*d.params[i]);
  for (int t = 0; t < tracks_; ++t) {
    std::uint8_t* block = TrackBlock(t);
    for (int i = 0; i < d.track_param_count; ++i) {
      block[i] = host::NoValueByte(*d.params[d.global_param_count + i]);
    }
  }
}

bool HostedMachine::Render(float* samples, std::uint32_t count, int mode) noexcept {
  bool wrote = true;
  for (std::uint32_t at = 0; at < count;) {
    const std::uint32_t block = std::min<std::uint32_t>(count - at, host::kMaxBlock);
    wrote = machine_->Render(samples + at, static_cast<int>(block), mode) && wrote;
    at += block;
  }
  return wrote;
}

}  // namespace varnok::lv2
