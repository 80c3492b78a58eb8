#include "host/core/plugin.h"

#include <fstream>
#include <utility>

#include "host/core/description_check.h"
#include "host/core/host_error.h"

namespace varnok::host {

Plugin::Plugin(std::string path, platform::SharedLibrary library,
               const MachineDescription* description, CreateFunction create)
    : path_(std::move(path)),
      library_(std::move(library)),
      description_(description),
      create_(create) {}

Plugin Plugin::Load(const std::string& path) {
  if (!std::ifstream(path, std::ios::binary)) {
    throw HostError(path + ": cannot open the plug-in file");
  }
  std::string reason;
  platform::SharedLibrary library = platform::SharedLibrary::Open(path, reason);
  if (!library.IsOpen()) {
    throw HostError(path + ": not a loadable plug-in library (" + reason + ")");
  }
  using GetInfoFunction = const MachineDescription* (*)();
  auto get_info = reinterpret_cast<GetInfoFunction>(library.Find("GetInfo"));
  auto create = reinterpret_cast<CreateFunction>(library.Find("CreateMachine"));
  if (get_info == nullptr) throw HostError(path + ": the library does not export GetInfo");
  if (create == nullptr) throw HostError(path + ": the library does not export CreateMachine");
  const MachineDescription* description = get_info();
  if (description == nullptr) throw HostError(path + ": GetInfo returned null");
  const std::string problem = CheckDescription(*description);
  if (!problem.empty()) throw HostError(path + ": invalid description: " + problem);
  return Plugin(path, std::move(library), description, create);
}

}  // namespace varnok::host
