// What the emulator module offers machine-host: the three emulation calls of
// plugin_library.h, reached through one exported table.
#pragma once

#include <memory>
#include <string>

#include "host/core/plugin_library.h"

namespace varnok::host {

struct EmulatorEntry {
  std::unique_ptr<PluginLibrary> (*open_library)(const std::string& path);
  void (*stop_calls)() noexcept;
  bool (*failed_late)();
};

inline constexpr char kEmulatorModule[] = "libvarnok_emulator.so";
inline constexpr char kEmulatorEntrySymbol[] = "varnok_emulator_entry";
using EmulatorEntryFunction = const EmulatorEntry* (*)();

}  // namespace varnok::host
