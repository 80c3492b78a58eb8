#include "platform/module.h"

namespace varnok::platform {
namespace {
void* module_handle = nullptr;
}

void* ModuleHandle() { return module_handle; }
void StoreModuleHandle(void* handle) { module_handle = handle; }

}  // namespace varnok::platform
