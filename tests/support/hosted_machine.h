// One machine of a plug-in, hosted as a song hosts it (44.1 kHz, 125 BPM, 4
// ticks a beat) and initialized without stored state.
#pragma once

#include <string>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok::testing {

struct HostedMachine {
  explicit HostedMachine(const std::string& path) : plugin(host::Plugin::Load(path)) {
    machine->Initialize(nullptr);
  }

  host::Plugin plugin;
  host::StandInHostServices services;
  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::MachineInstance machine{plugin, info, services};
};

}  // namespace varnok::testing
