#include "host/core/machine_instance.h"

#include <utility>

#include "host/core/host_error.h"

namespace varnok::host {

MachineInstance::MachineInstance(const Plugin& plugin, HostInfo& info, HostServices& services)
    : MachineInstance(plugin.Create(), info, services) {
  if (machine_ == nullptr) throw HostError(plugin.Path() + ": CreateMachine returned null");
}

MachineInstance::MachineInstance(MachineBase* machine, HostInfo& info, HostServices& services)
    : machine_(machine) {
  if (machine_ != nullptr) {
    machine_->host_info = &info;
    machine_->host_services = &services;
  }
}

MachineInstance::~MachineInstance() {
  if (machine_ != nullptr) machine_->DeletingDestructor(1);
}

MachineInstance::MachineInstance(MachineInstance&& other) noexcept
    : machine_(std::exchange(other.machine_, nullptr)) {}

}  // namespace varnok::host
