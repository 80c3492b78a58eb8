// The emulator, loaded the first time a plug-in file turns out to be a Windows
// DLL: its processor library alone costs more to start than most commands.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "host/core/emulator_entry.h"
#include "host/core/host_module.h"

// Defined where a program links the emulator into itself; loaded otherwise.
extern "C" __attribute__((weak)) const varnok::host::EmulatorEntry* varnok_emulator_entry();

namespace varnok::host {
namespace {

std::atomic<const EmulatorEntry*> loaded_entry{nullptr};

// Every Windows image starts with the DOS header's "MZ".
bool StartsLikeWindowsImage(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char magic[2] = {};
  const bool windows = read(fd, magic, sizeof magic) == 2 && magic[0] == 'M' && magic[1] == 'Z';
  close(fd);
  return windows;
}

const EmulatorEntry& Emulator() {
  static std::once_flag once;
  std::call_once(once, [] {
    EmulatorEntryFunction entry = varnok_emulator_entry;
    if (entry == nullptr) {
      entry = reinterpret_cast<EmulatorEntryFunction>(HostModuleEntry(kEmulatorModule, kEmulatorEntrySymbol));
    }
    loaded_entry.store(entry(), std::memory_order_release);
  });
  return *loaded_entry.load(std::memory_order_acquire);
}

}  // namespace

std::unique_ptr<PluginLibrary> OpenEmulatedLibrary(const std::string& path) {
  if (!StartsLikeWindowsImage(path)) return nullptr;
  return Emulator().open_library(path);
}

void StopEmulatedCalls() noexcept {
  if (const EmulatorEntry* entry = loaded_entry.load(std::memory_order_acquire)) entry->stop_calls();
}

bool EmulationFailedLate() {
  const EmulatorEntry* entry = loaded_entry.load(std::memory_order_acquire);
  return entry != nullptr && entry->failed_late();
}

}  // namespace varnok::host
