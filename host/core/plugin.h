// A plug-in library loaded by file name, its description checked.
#pragma once

#include <string>

#include "framework/description.h"
#include "framework/machine_base.h"
#include "platform/shared_library.h"

namespace varnok::host {

class Plugin {
 public:
  // Throws HostError naming `path` and what is wrong: the file, the library,
  // a missing export or a field of the description.
  static Plugin Load(const std::string& path);

  const MachineDescription& Description() const { return *description_; }
  const std::string& Path() const { return path_; }
  // A new machine object, or null when the plug-in could not build one.
  MachineBase* Create() const { return create_(); }

 private:
  using CreateFunction = MachineBase* (*)();
  Plugin(std::string path, platform::SharedLibrary library, const MachineDescription* description,
         CreateFunction create);

  std::string path_;
  platform::SharedLibrary library_;
  const MachineDescription* description_;
  CreateFunction create_;
};

}  // namespace varnok::host
