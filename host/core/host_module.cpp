#include "host/core/host_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "host/core/host_error.h"
#include "platform/isolated_run.h"

namespace varnok::host {

void* HostModuleEntry(const char* file_name, const char* symbol) {
  const std::string program = platform::ThisProgram();
  const std::string folder = program.substr(0, program.find_last_of('/') + 1);
  // Built, the modules sit beside the program; installed, beside the machines.
  const std::string candidates[] = {folder + file_name, folder + "../" VARNOK_MODULE_DIR "/" + file_name};
  std::string reason = "found neither " + candidates[0] + " nor " + candidates[1];
  for (const std::string& candidate : candidates) {
    // One that is there but fails says why; only a missing one sends us on.
    if (access(candidate.c_str(), F_OK) != 0) continue;
    void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = dlerror();
      reason = error != nullptr ? error : candidate + ": cannot be loaded";
      break;
    }
    if (void* entry = dlsym(handle, symbol)) return entry;
    dlclose(handle);
    reason = candidate + " has no " + symbol;
    break;
  }
  throw HostError(std::string("cannot load machine-host's part ") + file_name + ": " + reason);
}

}  // namespace varnok::host
