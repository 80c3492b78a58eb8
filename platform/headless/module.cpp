#include "platform/module.h"

#include <dlfcn.h>

namespace varnok::platform {
namespace {
void* module_handle = nullptr;
}

// No loader notification here: the handle is the load address of the library
// this code was linked into, found on first use.
void* ModuleHandle() {
  if (module_handle == nullptr) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&StoreModuleHandle), &info) != 0) {
      module_handle = info.dli_fbase;
    }
  }
  return module_handle;
}

void StoreModuleHandle(void* handle) { module_handle = handle; }

}  // namespace varnok::platform
