// What keeps a loaded plug-in's code alive and builds its machines: a library
// the system loads, or one run in the processor emulator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/description.h"
#include "framework/machine_base.h"
#include "platform/audio_path_probe.h"
#include "platform/float_environment.h"

namespace varnok::host {

class PluginLibrary {
 public:
  virtual ~PluginLibrary() = default;
  // The floating-point control the library's machines run under: by default
  // the calling thread's.
  virtual platform::FloatControl FloatState() const { return platform::CurrentFloatControl(); }
  // True, with the heap operations and locks made so far, where the library's
  // runtime keeps its own counts (an emulated one); false where the process's
  // own counting applies.
  virtual bool OwnRuntimeCounts(platform::AudioPathCounts&) const { return false; }
  // Every file the library loaded with it (the libraries beside it), itself
  // included: what an output must never be written over.
  virtual std::vector<std::string> LoadedFiles() const = 0;
  // The library's own description, not yet checked; valid while it is loaded.
  virtual const MachineDescription* Description() const = 0;
  // A new machine object, or null when the plug-in could not build one.
  virtual MachineBase* Create() = 0;
};

// [any thread, async-signal-safe] Ends every emulated call running now within
// a few hundredths of a second, and fails every later one: for a signal
// handler that must get a command out of a plug-in that never returns. Each
// such call fails with one line naming the DLL and the slot.
void StopEmulatedCalls() noexcept;

// True once an emulated call failed where no exception could carry the
// failure (a machine's destructor, an unload), which was then reported on
// standard error: the command must still end with a non-zero exit.
bool EmulationFailedLate();

// The emulated library for `path` when it holds code this system cannot run
// itself (a 32-bit Windows DLL elsewhere than on 32-bit Windows); null when it
// does not. Throws HostError naming the file when it cannot be loaded.
std::unique_ptr<PluginLibrary> OpenEmulatedLibrary(const std::string& path);

}  // namespace varnok::host
