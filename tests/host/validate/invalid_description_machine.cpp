// A plug-in whose description no host may trust: a byte parameter's default
// lies above its maximum.
#include "framework/plugin_entry.h"

namespace {

const varnok::ParamDescriptor kVolume = {varnok::kByteParam, "Volume", "Volume", 0, 128, 255, 2, 200};
const varnok::ParamDescriptor* const kParams[] = {&kVolume};

const varnok::MachineDescription kInvalidDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0,
    /*min_tracks=*/0, /*max_tracks=*/0,
    /*global_param_count=*/1, /*track_param_count=*/0, kParams,
    /*attribute_count=*/0, nullptr,
    "Invalid Machine", "Invalid", varnok::kAuthor, nullptr};

class InvalidMachine final : public varnok::Machine<InvalidMachine> {};

}  // namespace

VARNOK_MACHINE_PLUGIN(InvalidMachine, kInvalidDescription)
