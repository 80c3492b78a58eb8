// Opening a 32-bit Windows DLL in the emulator.
#pragma once

#include <memory>
#include <string>

#include "host/core/plugin_library.h"

namespace varnok::host::pe32 {

// The emulated library for `path`, or null when the file is no 32-bit Windows
// image. Throws HostError naming the file when it cannot be loaded.
std::unique_ptr<PluginLibrary> OpenLibrary(const std::string& path);

// True once a failure was reported where no exception could carry it.
bool FailedLate();

}  // namespace varnok::host::pe32
