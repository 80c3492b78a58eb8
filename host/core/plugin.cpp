#include "host/core/plugin.h"

#include <fstream>
#include <utility>

#include "host/core/description_check.h"
#include "host/core/host_error.h"
#include "platform/float_environment.h"
#include "platform/shared_library.h"

namespace varnok::host {
namespace {

class NativeLibrary final : public PluginLibrary {
 public:
  static std::unique_ptr<PluginLibrary> Open(const std::string& path) {
    std::string reason;
    platform::SharedLibrary library = platform::SharedLibrary::Open(path, reason);
    if (!library.IsOpen()) {
      throw HostError(path + ": not a loadable plug-in library (" + reason + ")");
    }
    auto get_info = reinterpret_cast<GetInfoFunction>(library.Find("GetInfo"));
    auto create = reinterpret_cast<CreateFunction>(library.Find("CreateMachine"));
    if (get_info == nullptr) throw HostError(path + ": the library does not export GetInfo");
    if (create == nullptr) throw HostError(path + ": the library does not export CreateMachine");
    return std::unique_ptr<PluginLibrary>(new NativeLibrary(std::move(library), get_info(), create));
  }

  // The system loaded every library of the process the same way: all of them.
  std::vector<std::string> LoadedFiles() const override { return platform::LoadedLibraryFiles(); }
  const MachineDescription* Description() const override { return description_; }
  MachineBase* Create() override { return create_(); }

 private:
  using GetInfoFunction = const MachineDescription* (*)();
  using CreateFunction = MachineBase* (*)();
  NativeLibrary(platform::SharedLibrary library, const MachineDescription* description,
                CreateFunction create)
      : library_(std::move(library)), description_(description), create_(create) {}

  platform::SharedLibrary library_;
  const MachineDescription* description_;
  CreateFunction create_;
};

}  // namespace

Plugin::Plugin(std::string path, std::unique_ptr<PluginLibrary> library)
    : path_(std::move(path)), library_(std::move(library)), description_(library_->Description()) {}

Plugin Plugin::Load(const std::string& path) {
  if (!std::ifstream(path, std::ios::binary)) {
    throw HostError(path + ": cannot open the plug-in file");
  }
  std::unique_ptr<PluginLibrary> library = OpenEmulatedLibrary(path);
  if (!library) library = NativeLibrary::Open(path);
  const MachineDescription* description = library->Description();
  if (description == nullptr) throw HostError(path + ": GetInfo returned null");
  const std::string problem = CheckDescription(*description);
  if (!problem.empty()) throw HostError(path + ": invalid description: " + problem);
  return Plugin(path, std::move(library));
}

}  // namespace varnok::host
