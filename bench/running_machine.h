// A machine as the host runs it: loaded from its plug-in file, initialized
// with its attributes' defaults, its voices started by ticks or keyboard notes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok::bench {

inline constexpr int kRate = 44100;
inline constexpr int kTracks = 16;

// Octave 3 upwards, one semitone per voice.
inline std::uint8_t NoteByte(int voice) {
  return static_cast<std::uint8_t>(((3 + voice / 12) << 4) | (1 + voice % 12));
}

class RunningMachine {
 public:
  explicit RunningMachine(const char* plugin_name)
      : plugin_(host::Plugin::Load(std::string(VARNOK_PLUGIN_DIR) + "/" + plugin_name + VARNOK_PLUGIN_SUFFIX)),
        info_(host::MakeHostInfo(kRate, 125, 4)),
        machine_(plugin_, info_, services_),
        buffer_(host::kMaxBlock) {
    const MachineDescription& d = plugin_.Description();
    for (int i = 0; i < d.attribute_count; ++i) {
      machine_->attribute_values[i] = d.attributes[i]->default_value;
    }
    machine_->Initialize(nullptr);
  }

  MachineBase& operator*() { return *machine_; }
  void SetAttribute(const char* name, std::int32_t value) {
    const MachineDescription& d = plugin_.Description();
    for (int i = 0; i < d.attribute_count; ++i) {
      if (std::strcmp(d.attributes[i]->name, name) == 0) machine_->attribute_values[i] = value;
    }
  }

  // Starts one note on each of the first `tracks` tracks in a single tick; every
  // other byte says "no value", so velocities and widths keep their defaults.
  void PlayTracks(int tracks) {
    const int stride = plugin_.Description().track_param_count;
    std::fill_n(machine_->track_values, kTracks * stride, kNoValue);
    for (int t = 0; t < kTracks; ++t) machine_->track_values[t * stride] = t < tracks ? NoteByte(t) : 0;
    machine_->ApplyTick();
  }

  // The buffer Render works on, for an effect's input.
  std::vector<float>& Buffer() { return buffer_; }
  bool Render(int count, int mode = 0) { return machine_->Render(buffer_.data(), count, mode); }

 private:
  host::Plugin plugin_;
  HostInfo info_;
  host::StandInHostServices services_;
  host::MachineInstance machine_;
  std::vector<float> buffer_;
};

}  // namespace varnok::bench
