// The glue that makes a library a plug-in. A machine's folder says, once:
//   VARNOK_MACHINE_PLUGIN(ChipMachine, kChipDescription)
#pragma once

#include <cstdlib>
#include <new>
#include <type_traits>

#include "framework/abi.h"
#include "framework/description.h"
#include "framework/machine_base.h"
#include "platform/module.h"

namespace varnok {

// Takes the block from the C runtime's malloc and constructs in place: no
// path here can throw, so running out of memory gives null and nothing more.
// (A throwing new would reach the C++ runtime's exception machinery, which
// needs memory of its own just when there is none.)
template <class M>
MachineBase* CreateMachineOf() noexcept {
  static_assert(std::is_nothrow_default_constructible_v<M>, "a machine's constructor must not throw");
  static_assert(alignof(M) <= kMachineAlignment, "more alignment than malloc gives");
  void* block = std::malloc(sizeof(M));
  return block == nullptr ? nullptr : ::new (block) M();
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
