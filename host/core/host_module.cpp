#include "host/core/host_module.h"

#include <dlfcn.h>

#include <string>

#include "host/core/host_error.h"
#include "platform/isolated_run.h"

namespace varnok::host {

void* HostModuleEntry(const char* file_name, const char* symbol) {
  const std::string program = platform::ThisProgram();
  const std::string folder = program.substr(0, program.find_last_of('/') + 1);
  std::string reason;
  // Built, the modules sit beside the program; installed, beside the machines.
  for (const std::string& candidate : {folder + file_name, folder + "../" VARNOK_MODULE_DIR "/" + file_name}) {
    void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = dlerror();
      reason = error != nullptr ? error : candidate + ": cannot be loaded";
      continue;
    }
    if (void* entry = dlsym(handle, symbol)) return entry;
    dlclose(handle);
    reason = candidate + " has no " + symbol;
  }
  throw HostError(std::string("cannot load machine-host's part ") + file_name + ": " + reason);
}

}  // namespace varnok::host
