// One machine and the host objects it is lent, as machine-host keeps them: the
// plug-in is the machine's host, and calls it in the host's order.
#pragma once

#include <cstdint>

#include "framework/description.h"
#include "framework/machine_base.h"
#include "host/core/host_services.h"

namespace varnok::lv2 {

class HostedMachine final {
 public:
  using Create = MachineBase* (*)() noexcept;

  // [ui] Creates the machine, lends it the host's objects, initializes it
  // without stored state, gives it `tracks` tracks and applies its attributes'
  // defaults; every parameter then holds its no-value. Failed() when the
  // machine could not be made.
  HostedMachine(Create create, const MachineDescription& description, double sample_rate, int tracks);
  // [ui] Destroys the machine through its slot 1.
  ~HostedMachine();
  HostedMachine(const HostedMachine&) = delete;
  HostedMachine& operator=(const HostedMachine&) = delete;

  bool Failed() const noexcept { return machine_ == nullptr; }
  MachineBase& Machine() noexcept { return *machine_; }
  HostInfo& Info() noexcept { return info_; }
  const MachineDescription& Description() const noexcept { return description_; }
  int Tracks() const noexcept { return tracks_; }

  // [audio] Track `track`'s value block; bytes in parameter order.
  std::uint8_t* TrackBlock(int track) noexcept;
  // [audio] Sets every parameter of every track back to its no-value.
  void ClearValues() noexcept;
  // [audio] Render over any number of samples, in blocks the host's scratch
  // buffer holds. True when the machine wrote every block.
  bool Render(float* samples, std::uint32_t count, int mode) noexcept;

 private:
  const MachineDescription& description_;
  int tracks_;
  HostInfo info_{};
  host::StandInHostServices services_;
  MachineBase* machine_;
};

}  // namespace varnok::lv2
