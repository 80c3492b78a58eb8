// A machine that imports a system function the emulator does not provide, so
// that loading it must stop with a message naming the function.
#include "framework/plugin_entry.h"

extern "C" __declspec(dllimport) int __stdcall Beep(unsigned long frequency, unsigned long milliseconds);

namespace {

const varnok::MachineDescription kDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0, 0, 0, 0, 0, nullptr, 0, nullptr,
    "Missing Import", "Missing", varnok::kAuthor, "Beep"};

class MissingImportMachine final : public varnok::Machine<MissingImportMachine> {
 public:
  void MACHINE_CALL RunCommand(int) override { Beep(440, 100); }
};

}  // namespace

VARNOK_MACHINE_PLUGIN(MissingImportMachine, kDescription)
