// One machine object created by the host, destroyed through its slot 1.
#pragma once


#include "framework/machine_base.h"
#include "host/core/plugin.h"

namespace varnok::host {

class MachineInstance {
 public:
  // Creates the machine and lends it the host objects; throws HostError when the
  // plug-in returns null. `info` and `services` must outlive the instance.
  MachineInstance(const Plugin& plugin, HostInfo& info, HostServices& services);
  // Takes over an object made some other way (tests build machines directly).
  MachineInstance(MachineBase* machine, HostInfo& info, HostServices& services);
  ~MachineInstance();
  MachineInstance(MachineInstance&& other) noexcept;
  MachineInstance& operator=(MachineInstance&&) = delete;
  MachineInstance(const MachineInstance&) = delete;
  MachineInstance& operator=(const MachineInstance&) = delete;

  MachineBase& operator*() const { return *machine_; }
  MachineBase* operator->() const { return machine_; }
  MachineBase* Get() const { return machine_; }

 private:
  MachineBase* machine_;
};

}  // namespace varnok::host
