// Drives one machine the way a host does and checks every call it makes: the
// floating-point control (both units' rounding, flush-to-zero, denormals-are-zero)
// is left as found, rendered blocks are sound and honestly
// reported, and, while probing, the audio path neither allocates nor locks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "framework/slot_tags.h"
#include "host/core/plugin.h"

namespace varnok::host::validate {

// A rule broken by the machine; ends the check.
class CheckFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Output no host can use: NaN, infinity, or samples left unwritten.
class BrokenOutput final : public CheckFailure {
 public:
  using CheckFailure::CheckFailure;
};

inline constexpr int kBeatsPerMinute = 125;
inline constexpr int kTicksPerBeat = 16;

class MachineDriver final {
 public:
  // Creates a machine and writes its attributes' defaults; Start comes next.
  MachineDriver(const Plugin& plugin, HostServices& services, int sample_rate);
  // The machine holds the address of info_.
  MachineDriver(const MachineDriver&) = delete;
  MachineDriver& operator=(const MachineDriver&) = delete;

  const MachineDescription& Description() const { return description_; }
  // Generators have tracks and must write the buffer exactly when they say so.
  bool IsGenerator() const { return description_.max_tracks > 0; }
  int SamplesPerTick() const { return info_.samples_per_tick; }
  int TrackCount() const { return track_count_; }
  int ParamCount() const { return description_.global_param_count + description_.track_param_count; }

  // The host's start-up: Initialize, SetTrackCount, ApplyAttributes.
  void Start(StateInput* saved, int tracks);

  void Initialize(StateInput* saved);
  void SetTrackCount(int count);
  void SetAttribute(int index, std::int32_t value);
  void ApplyAttributes();
  // The tick's values must be written first.
  void Tick();
  // Renders `count` samples (1..kMaxBlock) into Output(); returns the machine's answer.
  bool Render(int count, int mode);
  // As Render, with `input` (`count` samples) as an effect's incoming signal.
  bool RenderInput(const float* input, int count);
  void MidiNote(int channel, int note, int velocity);
  void Halt();
  std::vector<std::uint8_t> SaveState();

  // Parameter `index` counts globals first, then the track parameters of `track`.
  void WriteValue(int index, int track, std::uint8_t value);
  // Every parameter of every track gets `value` (e.g. 255 or 0 everywhere).
  void WriteEverywhere(std::uint8_t value);
  // Every parameter has no new value in this tick.
  void WriteNoValues();

  const float* Output() const { return buffer_.data(); }
  // Counts heap operations and locks in every operation not tagged [ui].
  void SetProbing(bool on) { probing_ = on; }

 private:
  template <class Call>
  void Checked(MachineSlot slot, Call call);
  // Renders the prepared buffer and checks what the machine made of it.
  bool RenderBuffer(int count, int mode);

  const Plugin& plugin_;
  const MachineDescription& description_;
  HostInfo info_;
  MachineInstance machine_;
  int track_count_ = 0;
  bool probing_ = false;
  std::uint32_t input_state_ = 0x12345678u;  // the effects' input signal
  std::vector<float> buffer_;
  std::vector<float> before_;
};

}  // namespace varnok::host::validate
