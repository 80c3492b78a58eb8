// The glue that makes a library a plug-in. A machine's folder says, once:
//   VARNOK_MACHINE_PLUGIN(ChipMachine, kChipDescription)
#pragma once

#include <new>

#include "framework/abi.h"
#include "framework/description.h"
#include "framework/machine_base.h"
#include "platform/module.h"

namespace varnok {

// Allocates with the global operator and constructs. No exception leaves it:
// a failed allocation or a constructor that throws gives null, and the memory
// of a half-built object is released.
template <class M>
MachineBase* CreateMachineOf() noexcept {
  try {
    return ::new (std::nothrow) M();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace varnok

// GetInfo's record is the plug-in's, constant and valid while the library is
// loaded. CreateMachine's object is the host's to end with DeletingDestructor(1).
#define VARNOK_MACHINE_PLUGIN(MachineClass, description)                   \
  VARNOK_MODULE_ENTRY                                                      \
  MACHINE_EXPORT const ::varnok::MachineDescription* MACHINE_ENTRY GetInfo() { \
    return &(description);                                                 \
  }                                                                        \
  MACHINE_EXPORT ::varnok::MachineBase* MACHINE_ENTRY CreateMachine() {    \
    return ::varnok::CreateMachineOf<MachineClass>();                      \
  }
