// A plug-in library loaded by file name, its description checked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/description.h"
#include "framework/machine_base.h"
#include "host/core/plugin_library.h"

namespace varnok::host {

class Plugin {
 public:
  // Throws HostError naming `path` and what is wrong: the file, the library,
  // a missing export or a field of the description. A 32-bit Windows DLL is
  // run in the processor emulator where the system cannot load it.
  static Plugin Load(const std::string& path);

  const MachineDescription& Description() const { return *description_; }
  const std::string& Path() const { return path_; }
  // The plug-in's file and every library loaded with it.
  std::vector<std::string> LoadedFiles() const { return library_->LoadedFiles(); }
  // A new machine object, or null when the plug-in could not build one.
  MachineBase* Create() const { return library_->Create(); }
  // See PluginLibrary.
  platform::FloatControl FloatState() const { return library_->FloatState(); }
  bool OwnRuntimeCounts(platform::AudioPathCounts& counts) const { return library_->OwnRuntimeCounts(counts); }

 private:
  Plugin(std::string path, std::unique_ptr<PluginLibrary> library);

  std::string path_;
  std::unique_ptr<PluginLibrary> library_;
  const MachineDescription* description_;
};

}  // namespace varnok::host
