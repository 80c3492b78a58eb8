// A machine whose Initialize slot takes one argument more than the host
// passes, so it pops 8 bytes where the host pushed 4: the host must notice on
// return.
#include <cstdint>

#include "framework/abi.h"
#include "framework/description.h"
#include "platform/module.h"

namespace {

const varnok::MachineDescription kDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0, 0, 0, 0, 0, nullptr, 0, nullptr,
    "Wrong Pop", "Wrong Pop", varnok::kAuthor, nullptr};

// The first two slots of the machine interface, the second one misdeclared,
// and the five base fields.
class WrongPopMachine final {
 public:
  virtual void* MACHINE_CALL DeletingDestructor(unsigned int flags) {
    if (flags & 1u) delete this;
    return this;
  }
  virtual void MACHINE_CALL Initialize(void* saved, int extra) { initialized_ = saved != nullptr || extra != 0; }

 private:
  void* fields_[5] = {};
  bool initialized_ = false;
};

}  // namespace

VARNOK_MODULE_ENTRY
MACHINE_EXPORT const varnok::MachineDescription* MACHINE_ENTRY GetInfo() { return &kDescription; }
MACHINE_EXPORT void* MACHINE_ENTRY CreateMachine() { return new WrongPopMachine(); }
