// The plug-in library's own module handle: the Windows instance handle that
// dialog resources are loaded from, or the library's load address elsewhere.
#pragma once

namespace varnok::platform {

void* ModuleHandle();
void StoreModuleHandle(void* handle);

}  // namespace varnok::platform

// The loader's entry routine, expanded once per plug-in by VARNOK_MACHINE_PLUGIN.
#if defined(_WIN32)
#define VARNOK_MODULE_ENTRY                                                          \
  extern "C" int __stdcall DllMain(void* instance, unsigned long /*reason*/, void*) { \
    ::varnok::platform::StoreModuleHandle(instance);                                  \
    return 1;                                                                         \
  }
#else
#define VARNOK_MODULE_ENTRY
#endif
