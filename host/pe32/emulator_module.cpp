// The emulator as a module machine-host loads only for a Windows DLL.
#include "host/core/emulator_entry.h"
#include "host/pe32/call_watch.h"
#include "host/pe32/emulated_library.h"

extern "C" __attribute__((visibility("default"))) const varnok::host::EmulatorEntry* varnok_emulator_entry() {
  namespace pe32 = varnok::host::pe32;
  static const varnok::host::EmulatorEntry entry{&pe32::OpenLibrary, &pe32::RequestStop, &pe32::FailedLate};
  return &entry;
}
