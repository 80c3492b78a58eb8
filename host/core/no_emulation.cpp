#include "host/core/plugin_library.h"

namespace varnok::host {

// Built where the system runs the plug-ins' own code.
std::unique_ptr<PluginLibrary> OpenEmulatedLibrary(const std::string&) { return nullptr; }

bool EmulationFailedLate() { return false; }

void StopEmulatedCalls() noexcept {}

}  // namespace varnok::host
