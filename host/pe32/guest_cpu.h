// The emulated 32-bit x86 processor: calls into guest code as an MSVC-built
// host does, and entries through which guest code calls the host.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "host/pe32/call_watch.h"
#include "host/pe32/guest_memory.h"
#include "host/pe32/instruction_count.h"

struct uc_struct;

namespace varnok::host::pe32 {

enum class Convention {
  kCdecl,     // the caller pops the arguments
  kStdcall,   // the callee pops them
  kThiscall,  // the callee pops them; `this` in ECX
};

// What a host entry sees of the call that reached it.
class EntryCall {
 public:
  EntryCall(class GuestCpu& cpu, GuestAddress stack) : cpu_(cpu), stack_(stack) {}
  // The `index`th 32-bit argument on the stack.
  std::uint32_t Arg(int index) const;
  // Where the arguments start, for variable argument lists.
  GuestAddress Args() const { return stack_ + 4; }
  std::uint32_t This() const;
  GuestCpu& Cpu() const { return cpu_; }

 private:
  GuestCpu& cpu_;
  GuestAddress stack_;  // at the return address
};

// A host function called from guest code; its result goes to EDX:EAX.
using HostEntry = std::function<std::uint64_t(EntryCall&)>;

class GuestCpu final {
 public:
  // `describe` names a guest code address for error messages ("file+0x1234").
  GuestCpu(GuestMemory& memory, std::function<std::string(GuestAddress)> describe);
  ~GuestCpu();
  GuestCpu(const GuestCpu&) = delete;
  GuestCpu& operator=(const GuestCpu&) = delete;

  // Makes [address, address + size), backed already, visible to the guest
  // with `access` (Access bits).
  void Map(GuestAddress address, std::uint32_t size, std::uint32_t access);
  // Maps a page of host memory of its own (a shared view) at `page`, readable
  // and writable.
  void MapForeign(GuestAddress page, std::uint8_t* host);
  // Hides [address, address + size) from the guest again; the backing stays.
  void Unmap(GuestAddress address, std::uint32_t size);
  // Drops the code translated from [address, address + size), which must be
  // mapped executable, so that what is loaded there next runs as itself.
  void ForgetCode(GuestAddress address, std::uint32_t size);
  void Protect(GuestAddress address, std::uint32_t size, std::uint32_t access);

  // An address that enters the host when guest code calls it; the entry pops
  // `pops` bytes of arguments on return. `name` appears in error messages.
  GuestAddress AddEntry(std::string name, std::uint16_t pops, HostEntry entry);

  // Calls `function` and returns EAX (EDX:EAX in the 64-bit result). Checks on
  // return that ESP came back where `convention` says and that EBX, ESI, EDI and
  // EBP are unchanged; throws GuestError naming `what` on that, on a fault, on
  // a call that runs past the limit and on one that the host was asked to stop
  // (RequestStop). May be called from a host entry: the guest's state is kept
  // around it, and the outermost call's limit covers it.
  std::uint64_t Call(const std::string& what, GuestAddress function, Convention convention,
                     std::initializer_list<std::uint32_t> arguments, std::uint32_t self = 0);

  // How long an outermost call may take, the host entries it makes included:
  // MACHINE_HOST_EMULATED_LIMIT seconds, or kDefaultCallLimit.
  static constexpr double kDefaultCallLimit = 10.0;
  void SetCallLimit(std::chrono::duration<double> limit);
  // Waits as a sleeping guest thread does, until the call's limit or a stop.
  void Sleep(std::chrono::milliseconds wanted);

  // The thread's floating-point control: kept across calls, as a thread's is.
  void SetFloatControl(std::uint16_t x87_control, std::uint32_t mxcsr);
  std::uint16_t X87Control() const;
  std::uint32_t Mxcsr() const;

  // The FS segment's base: the thread's information block.
  void SetThreadBlock(GuestAddress block, GuestAddress descriptor_table);
  // The stack calls start from; it grows down from `top`.
  void SetStackTop(GuestAddress top) { stack_top_ = top; }

  std::uint32_t Register(int id) const;
  void SetRegister(int id, std::uint32_t value);
  GuestMemory& Memory() const { return memory_; }
  std::string Describe(GuestAddress address) const { return describe_(address); }

 private:
  struct Entry {
    std::string name;
    HostEntry function;
  };
  static void OnInterrupt(uc_struct* uc, std::uint32_t number, void* self);
  static bool OnInvalidMemory(uc_struct* uc, int type, std::uint64_t address, int size,
                              std::int64_t value, void* self);
  void EnterHost(std::uint32_t number);
  void Stop(std::string reason);
  std::string FaultText(int error) const;
  std::string LimitText() const;

  GuestMemory& memory_;
  std::function<std::string(GuestAddress)> describe_;
  uc_struct* uc_ = nullptr;
  std::unique_ptr<CallWatch> watch_;
  CallWatch::Clock::duration limit_;
  std::uint64_t serial_ = 0;  // the outermost call's
  std::vector<Entry> entries_;
  GuestAddress stack_top_ = 0;
  std::uint64_t calls_ = 0;
  int depth_ = 0;
  std::string stop_reason_;
  std::string memory_fault_;
  InstructionCount* count_ = nullptr;  // null: not counting
  std::uint64_t instructions_ = 0;     // run so far, while counting
};

}  // namespace varnok::host::pe32
