// The three DLLs in an emulated process of their own, where the test sees the
// C runtime's heap and the system's handles: what loading, unloading and
// running out of memory leave behind.
#include <gtest/gtest.h>

#include <string>

#include "host/pe32/guest_process.h"
#include "tests/support/emulated_dlls.h"

namespace varnok::host::pe32 {
namespace {

const std::string kDlls[] = {"Varnok's Analyzer.dll", "Varnok's Chip.dll", "Varnok's Pulse.dll"};

std::string PathOf(const std::string& dll) { return std::string(VARNOK_EMULATED_PLUGIN_DIR) + "/" + dll; }

GuestAddress CreateMachine(GuestProcess& process, const LoadedModule& module) {
  return static_cast<GuestAddress>(
      process.Call("CreateMachine", process.Export(module, "CreateMachine"), Convention::kCdecl, {}));
}

void DeleteMachine(GuestProcess& process, GuestAddress machine) {
  const GuestAddress deleting_destructor = process.Memory().Read32(process.Memory().Read32(machine));
  process.Call("DeletingDestructor", deleting_destructor, Convention::kThiscall, {1}, machine);
}

TEST(EmulatedEntry, CreateMachineGivesNullAndKeepsNothingWhenMemoryRunsOut) {
  for (const std::string& dll : kDlls) {
    VARNOK_NEED_DLL(PathOf(dll));
    SCOPED_TRACE(dll);
    GuestProcess process;
    LoadedModule& module = process.Load(PathOf(dll));
    GuestHeap& heap = process.Heap();
    const std::size_t loaded = heap.LiveBlocks();

    heap.SetPolicy([](std::uint32_t, std::uint64_t) { return false; });
    EXPECT_EQ(CreateMachine(process, module), 0u) << "every allocation refused";
    EXPECT_EQ(heap.LiveBlocks(), loaded);

    // The machine's block is the call's first allocation.
    const std::uint64_t first = heap.Allocations();
    heap.SetPolicy([first](std::uint32_t, std::uint64_t serial) { return serial != first; });
    EXPECT_EQ(CreateMachine(process, module), 0u) << "the machine's block refused";
    EXPECT_EQ(heap.LiveBlocks(), loaded);

    heap.SetPolicy(nullptr);
    const GuestAddress machine = CreateMachine(process, module);
    ASSERT_NE(machine, 0u);
    DeleteMachine(process, machine);
    EXPECT_EQ(heap.LiveBlocks(), loaded);
    process.Unload(module);
  }
}

TEST(EmulatedLoader, LoadAndUnloadLeaveNoHandleOrHeapBlock) {
  for (const std::string& dll : kDlls) {
    VARNOK_NEED_DLL(PathOf(dll));
    SCOPED_TRACE(dll);
    GuestProcess process;
    for (int round = 0; round < 2; ++round) process.Unload(process.Load(PathOf(dll)));
    EXPECT_EQ(process.System().handles.size(), 0u);
    EXPECT_EQ(process.Heap().LiveBlocks(), 0u);
  }
}

}  // namespace
}  // namespace varnok::host::pe32
