// A machine built on the defaults alone, for tests of the interface and the host.
#include "framework/plugin_entry.h"

namespace {

const varnok::MachineDescription kMinimalDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0,
    /*min_tracks=*/0, /*max_tracks=*/0,
    /*global_param_count=*/0, /*track_param_count=*/0, nullptr,
    /*attribute_count=*/0, nullptr,
    "Minimal Machine", "Minimal", varnok::kAuthor, nullptr};

class MinimalMachine final : public varnok::Machine<MinimalMachine> {};

}  // namespace

VARNOK_MACHINE_PLUGIN(MinimalMachine, kMinimalDescription)
