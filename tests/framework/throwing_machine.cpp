// Must not build: an override of an [any] operation that may throw.
#include "framework/plugin_entry.h"

namespace {

class ThrowingMachine final : public varnok::Machine<ThrowingMachine> {
 public:
  void MACHINE_CALL SetTrackCount(int) override {}
};

}  // namespace

varnok::MachineBase* MakeThrowingMachine() { return varnok::CreateMachineOf<ThrowingMachine>(); }
