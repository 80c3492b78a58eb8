#include "host/pe32/guest_cpu.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "host/core/host_error.h"
#include "host/pe32/address_map.h"
#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

// The thunk area holds the return addresses of calls and the gates they start
// at, one of each per nesting depth, then the host entries.
constexpr int kMostNesting = 32;
constexpr GuestAddress kEntriesStart = kThunkArea.start + 0x800;
constexpr std::uint32_t kEntrySize = 8;
constexpr std::uint32_t kMostEntries = (kThunkArea.size - 0x800) / kEntrySize;

constexpr const char* kLimitVariable = "MACHINE_HOST_EMULATED_LIMIT";
constexpr const char* kStoppedText = "stopped: the host was asked to stop";
constexpr auto kSleepSlice = std::chrono::milliseconds(20);

std::chrono::duration<double> LimitFromEnvironment() {
  const char* text = std::getenv(kLimitVariable);
  if (text == nullptr) return std::chrono::duration<double>(GuestCpu::kDefaultCallLimit);
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e6) {
    throw GuestError(std::string(kLimitVariable) + ": expected seconds above 0, got '" + Escaped(text) + "'");
  }
  return std::chrono::duration<double>(seconds);
}

constexpr std::uint8_t kBreakpoint = 0xCC;
constexpr std::uint8_t kHalt = 0xF4;
constexpr std::uint8_t kReturn = 0xC3;
constexpr std::uint8_t kReturnPopping = 0xC2;

GuestAddress ReturnAddress(int depth) { return kThunkArea.start + 4u * static_cast<GuestAddress>(depth); }
// Every call starts at one gate per depth, an indirect jump through the word
// that follows it: the emulator re-translates the code where it starts at each
// start, which costs little for one jump and much for a whole function.
GuestAddress Gate(int depth) { return kThunkArea.start + 0x400u + 16u * static_cast<GuestAddress>(depth); }

void Require(uc_err error, const char* what) {
  if (error != UC_ERR_OK) throw GuestError(std::string(what) + ": " + uc_strerror(error));
}

std::uint32_t Permissions(std::uint32_t access) {
  std::uint32_t permissions = UC_PROT_NONE;
  if (access & kRead) permissions |= UC_PROT_READ;
  if (access & kWrite) permissions |= UC_PROT_WRITE;
  if (access & kExecute) permissions |= UC_PROT_EXEC;
  return permissions;
}

const char* ExceptionName(std::uint32_t number) {
  switch (number) {
    case 0: return "divide error";
    case 1: return "debug trap";
    case 3: return "breakpoint";
    case 4: return "overflow trap";
    case 5: return "bound range exceeded";
    case 6: return "invalid instruction";
    case 7: return "floating-point unit not available";
    case 8: return "double fault";
    case 12: return "stack fault";
    case 13: return "general protection fault";
    case 14: return "page fault";
    case 16: return "x87 floating-point exception";
    case 17: return "alignment check";
    case 19: return "SIMD floating-point exception";
    default: return "processor exception";
  }
}

const char* AccessName(int type) {
  switch (type) {
    case UC_MEM_READ_UNMAPPED: return "read of unmapped memory";
    case UC_MEM_WRITE_UNMAPPED: return "write to unmapped memory";
    case UC_MEM_FETCH_UNMAPPED: return "execution of unmapped memory";
    case UC_MEM_READ_PROT: return "read of protected memory";
    case UC_MEM_WRITE_PROT: return "write to read-only memory";
    case UC_MEM_FETCH_PROT: return "execution of non-executable memory";
    default: return "invalid memory access";
  }
}

// A segment descriptor: base, limit in the granularity the flags say, access byte.
std::uint64_t Descriptor(std::uint32_t base, std::uint32_t limit, std::uint8_t access,
                         std::uint8_t flags) {
  std::uint64_t d = limit & 0xFFFFu;
  d |= static_cast<std::uint64_t>(base & 0xFFFFFFu) << 16;
  d |= static_cast<std::uint64_t>(access) << 40;
  d |= static_cast<std::uint64_t>((limit >> 16) & 0xFu) << 48;
  d |= static_cast<std::uint64_t>(flags & 0xFu) << 52;
  d |= static_cast<std::uint64_t>(base >> 24) << 56;
  return d;
}

// EBX, ESI, EDI, EBP: what the callee must give back.
constexpr int kCalleeSaved[] = {UC_X86_REG_EBX, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
constexpr const char* kCalleeSavedNames[] = {"EBX", "ESI", "EDI", "EBP"};
// What a host entry's nested call must leave as it found for the guest around it.
constexpr int kKept[] = {UC_X86_REG_EAX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_EBX,
                         UC_X86_REG_ESP, UC_X86_REG_EBP, UC_X86_REG_ESI, UC_X86_REG_EDI,
                         UC_X86_REG_EIP, UC_X86_REG_EFLAGS};
constexpr int kKeptCount = sizeof kKept / sizeof kKept[0];

}  // namespace

std::uint32_t EntryCall::Arg(int index) const {
  return cpu_.Memory().Read32(stack_ + 4u + 4u * static_cast<std::uint32_t>(index));
}

std::uint32_t EntryCall::This() const { return cpu_.Register(UC_X86_REG_ECX); }

GuestCpu::GuestCpu(GuestMemory& memory, std::function<std::string(GuestAddress)> describe)
    : memory_(memory), describe_(std::move(describe)) {
  SetCallLimit(LimitFromEnvironment());
  count_ = InstructionCount::FromEnvironment();
  Require(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "cannot start the processor emulator");
  if (count_ != nullptr) InstructionCount::Install(uc_, &instructions_);
  watch_ = std::make_unique<CallWatch>(uc_);
  memory_.Commit(kThunkArea.start, kThunkArea.size);
  std::uint8_t* thunks = memory_.Backing(kThunkArea.start, kThunkArea.size);
  std::memset(thunks, kHalt, kThunkArea.size);
  for (int depth = 0; depth < kMostNesting; ++depth) {
    std::uint8_t* gate = memory_.Backing(Gate(depth), 8);
    const GuestAddress target = Gate(depth) + 8;
    gate[0] = 0xFF;  // jmp [target]
    gate[1] = 0x25;
    std::memcpy(gate + 2, &target, 4);
  }
  Map(kThunkArea.start, kThunkArea.size, kRead | kExecute);
  uc_hook hook;
  Require(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&GuestCpu::OnInterrupt),
                      this, 1, 0),
          "cannot watch the processor's interrupts");
  Require(uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID,
                      reinterpret_cast<void*>(&GuestCpu::OnInvalidMemory), this, 1, 0),
          "cannot watch memory faults");
}

GuestCpu::~GuestCpu() {
  watch_.reset();  // the watcher lets go of the processor first
  uc_close(uc_);
}

void GuestCpu::SetCallLimit(std::chrono::duration<double> limit) {
  limit_ = std::chrono::duration_cast<CallWatch::Clock::duration>(limit);
}

std::string GuestCpu::LimitText() const {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", std::chrono::duration<double>(limit_).count());
  return std::string("ran past the limit of ") + seconds + " s for an emulated call (" + kLimitVariable + ")";
}

// In slices, so that a stop asked for meanwhile ends the wait.
void GuestCpu::Sleep(std::chrono::milliseconds wanted) {
  const auto end = CallWatch::Clock::now() + wanted;
  for (;;) {
    if (StopRequested()) throw GuestError(kStoppedText);
    const auto now = CallWatch::Clock::now();
    const auto deadline = depth_ > 0 ? watch_->Deadline() : end;
    if (now >= end) return;
    if (now >= deadline) throw GuestError(LimitText());
    std::this_thread::sleep_for(std::min({end - now, deadline - now,
                                          std::chrono::duration_cast<CallWatch::Clock::duration>(kSleepSlice)}));
  }
}

void GuestCpu::Map(GuestAddress address, std::uint32_t size, std::uint32_t access) {
  Require(uc_mem_map_ptr(uc_, address, size, Permissions(access), memory_.Backing(address, size)),
          ("cannot map " + Hex(address)).c_str());
  memory_.SetAccess(address, size, access);
}

void GuestCpu::MapForeign(GuestAddress page, std::uint8_t* host) {
  Require(uc_mem_map_ptr(uc_, page, GuestMemory::kPage, UC_PROT_READ | UC_PROT_WRITE, host),
          ("cannot map " + Hex(page)).c_str());
  memory_.SetForeignPage(page, host);
  memory_.SetAccess(page, GuestMemory::kPage, kRead | kWrite);
}

void GuestCpu::Unmap(GuestAddress address, std::uint32_t size) {
  Require(uc_mem_unmap(uc_, address, size), ("cannot unmap " + Hex(address)).c_str());
  memory_.SetAccess(address, size, 0);
  for (std::uint64_t page = address; page < static_cast<std::uint64_t>(address) + size; page += GuestMemory::kPage) {
    memory_.SetForeignPage(static_cast<GuestAddress>(page), nullptr);
  }
}

// Once the pages are unmapped the emulator can no longer find their code, so
// it goes first. The emulator finds it through the first page's execute
// right, hence one executable run at a time. Flushing the whole cache instead
// would cost a gigabyte of resident memory: the emulator then touches every
// region of its code buffer.
void GuestCpu::ForgetCode(GuestAddress address, std::uint32_t size) {
  uc_ctl_remove_cache(uc_, address, static_cast<std::uint64_t>(address) + size);
}

void GuestCpu::Protect(GuestAddress address, std::uint32_t size, std::uint32_t access) {
  Require(uc_mem_protect(uc_, address, size, Permissions(access)),
          ("cannot protect " + Hex(address)).c_str());
  memory_.SetAccess(address, size, access);
}

GuestAddress GuestCpu::AddEntry(std::string name, std::uint16_t pops, HostEntry entry) {
  if (entries_.size() >= kMostEntries) throw GuestError("too many host entries");
  const GuestAddress address = kEntriesStart + kEntrySize * static_cast<GuestAddress>(entries_.size());
  std::uint8_t* code = memory_.Backing(address, kEntrySize);
  code[0] = kBreakpoint;
  if (pops == 0) {
    code[1] = kReturn;
  } else {
    code[1] = kReturnPopping;
    code[2] = static_cast<std::uint8_t>(pops & 0xFF);
    code[3] = static_cast<std::uint8_t>(pops >> 8);
  }
  entries_.push_back({std::move(name), std::move(entry)});
  return address;
}

std::uint32_t GuestCpu::Register(int id) const {
  std::uint32_t value = 0;
  uc_reg_read(uc_, id, &value);
  return value;
}

void GuestCpu::SetRegister(int id, std::uint32_t value) { uc_reg_write(uc_, id, &value); }

void GuestCpu::SetFloatControl(std::uint16_t x87_control, std::uint32_t mxcsr) {
  uc_reg_write(uc_, UC_X86_REG_FPCW, &x87_control);
  uc_reg_write(uc_, UC_X86_REG_MXCSR, &mxcsr);
}

std::uint16_t GuestCpu::X87Control() const {
  std::uint16_t value = 0;
  uc_reg_read(uc_, UC_X86_REG_FPCW, &value);
  return value;
}

std::uint32_t GuestCpu::Mxcsr() const { return Register(UC_X86_REG_MXCSR); }

void GuestCpu::SetThreadBlock(GuestAddress block, GuestAddress descriptor_table) {
  constexpr std::uint8_t kCode = 0x9A, kData = 0x92;  // present, ring 0
  constexpr std::uint8_t kPages32 = 0xC, kBytes32 = 0x4;
  memory_.Write32(descriptor_table, 0);
  memory_.Write32(descriptor_table + 4, 0);
  const std::uint64_t descriptors[] = {Descriptor(0, 0xFFFFF, kCode, kPages32),
                                       Descriptor(0, 0xFFFFF, kData, kPages32),
                                       Descriptor(block, 0xFFF, kData, kBytes32)};
  std::memcpy(memory_.Backing(descriptor_table + 8, sizeof descriptors), descriptors,
              sizeof descriptors);
  uc_x86_mmr table{};
  table.base = descriptor_table;
  table.limit = 4 * 8 - 1;
  Require(uc_reg_write(uc_, UC_X86_REG_GDTR, &table), "cannot set the segment table");
  const std::uint32_t code = 1 << 3, data = 2 << 3, thread = 3 << 3;
  Require(uc_reg_write(uc_, UC_X86_REG_CS, &code), "cannot set CS");
  for (int id : {UC_X86_REG_SS, UC_X86_REG_DS, UC_X86_REG_ES, UC_X86_REG_GS}) {
    Require(uc_reg_write(uc_, id, &data), "cannot set a data segment");
  }
  Require(uc_reg_write(uc_, UC_X86_REG_FS, &thread), "cannot set FS");
}

std::uint64_t GuestCpu::Call(const std::string& what, GuestAddress function, Convention convention,
                             std::initializer_list<std::uint32_t> arguments, std::uint32_t self) {
  if (depth_ >= kMostNesting) throw GuestError(what + ": calls nested too deeply");
  if (StopRequested()) throw GuestError(what + ": not run: the host was asked to stop");
  std::uint32_t kept[kKeptCount] = {};
  if (depth_ > 0) {
    for (int i = 0; i < kKeptCount; ++i) kept[i] = Register(kKept[i]);
  }
  // Aligned to 4 only, as a 32-bit MSVC host leaves it: ESP % 16 at the call
  // instruction walks through 0, 12, 8 and 4.
  const auto count = static_cast<std::uint32_t>(arguments.size());
  const GuestAddress from = depth_ == 0 ? stack_top_ : kept[4] - 128;
  const GuestAddress first =
      ((from - 4 * count - 64) & ~15u) - 4u * static_cast<std::uint32_t>(calls_ % 4);
  ++calls_;
  GuestAddress at = first;
  for (std::uint32_t argument : arguments) {
    memory_.Write32(at, argument);
    at += 4;
  }
  const GuestAddress return_address = ReturnAddress(depth_);
  const GuestAddress entry_stack = first - 4;
  memory_.Write32(entry_stack, return_address);

  // Values the callee must give back, different at every call.
  const auto mark = static_cast<std::uint32_t>(calls_ * 0x9E3779B9u);
  std::uint32_t saved[4];
  for (int i = 0; i < 4; ++i) {
    saved[i] = mark ^ (0x5A5A0000u + 0x1111u * static_cast<std::uint32_t>(i + 1));
    SetRegister(kCalleeSaved[i], saved[i]);
  }
  SetRegister(UC_X86_REG_ECX, convention == Convention::kThiscall ? self : mark ^ 0xC0C0C0C0u);
  SetRegister(UC_X86_REG_EAX, mark ^ 0xA0A0A0A0u);
  SetRegister(UC_X86_REG_EDX, mark ^ 0xD0D0D0D0u);
  SetRegister(UC_X86_REG_ESP, entry_stack);

  ++depth_;
  if (depth_ == 1) serial_ = watch_->Begin(limit_);
  const GuestAddress gate = Gate(depth_ - 1);
  std::memcpy(memory_.Backing(gate + 8, 4), &function, 4);
  memory_fault_.clear();
  std::uint64_t stops = watch_->Stops();
  const std::uint64_t instructions_before = instructions_;
  uc_err error = uc_emu_start(uc_, gate, return_address, 0, 0);
  // A stop the watcher meant for a call that has ended since: carry on.
  while (error == UC_ERR_OK && stop_reason_.empty() && Register(UC_X86_REG_EIP) != return_address &&
         watch_->Stops() != stops && watch_->StoppedFor(serial_) == CallWatch::Cause::kNone) {
    stops = watch_->Stops();
    error = uc_emu_start(uc_, Register(UC_X86_REG_EIP), return_address, 0, 0);
  }
  const CallWatch::Cause stopped = watch_->StoppedFor(serial_);
  --depth_;
  if (depth_ == 0) watch_->End();
  if (count_ != nullptr && depth_ == 0) count_->Add(what, instructions_ - instructions_before);
  const std::uint32_t eax = Register(UC_X86_REG_EAX);
  const std::uint32_t edx = Register(UC_X86_REG_EDX);
  const std::uint32_t esp = Register(UC_X86_REG_ESP);
  const std::uint32_t eip = Register(UC_X86_REG_EIP);
  std::uint32_t returned[4];
  for (int i = 0; i < 4; ++i) returned[i] = Register(kCalleeSaved[i]);
  std::string fault = std::exchange(stop_reason_, std::string());
  if (fault.empty() && error != UC_ERR_OK) fault = FaultText(error);
  if (fault.empty() && eip != return_address && stopped != CallWatch::Cause::kNone) {
    fault = stopped == CallWatch::Cause::kLimit ? LimitText() : kStoppedText;
  }
  if (depth_ > 0) {
    for (int i = 0; i < kKeptCount; ++i) SetRegister(kKept[i], kept[i]);
  }
  if (!fault.empty()) throw GuestError(what + ": " + fault);
  if (eip != return_address) throw GuestError(what + ": stopped at " + Describe(eip));

  const std::uint32_t pops = convention == Convention::kCdecl ? 0 : 4 * count;
  if (esp != entry_stack + 4 + pops) {
    const auto popped = static_cast<std::int64_t>(esp) - entry_stack - 4;
    throw GuestError(what + ": returned having popped " + std::to_string(popped) +
                     " bytes of arguments, " + std::to_string(pops) + " expected");
  }
  for (int i = 0; i < 4; ++i) {
    if (returned[i] != saved[i]) {
      throw GuestError(what + ": returned with " + kCalleeSavedNames[i] + " changed (" +
                       Hex(saved[i]) + " became " + Hex(returned[i]) + ")");
    }
  }
  return (static_cast<std::uint64_t>(edx) << 32) | eax;
}

void GuestCpu::Stop(std::string reason) {
  if (stop_reason_.empty()) stop_reason_ = std::move(reason);
  uc_emu_stop(uc_);
}

std::string GuestCpu::FaultText(int error) const {
  const std::uint32_t eip = Register(UC_X86_REG_EIP);
  if (!memory_fault_.empty()) return memory_fault_ + " at " + Describe(eip);
  return std::string(uc_strerror(static_cast<uc_err>(error))) + " at " + Describe(eip);
}

void GuestCpu::OnInterrupt(uc_struct*, std::uint32_t number, void* self) {
  static_cast<GuestCpu*>(self)->EnterHost(number);
}

bool GuestCpu::OnInvalidMemory(uc_struct*, int type, std::uint64_t address, int size,
                               std::int64_t, void* self) {
  auto* cpu = static_cast<GuestCpu*>(self);
  cpu->memory_fault_ = std::string(AccessName(type)) + " (" + std::to_string(size) + " bytes at " +
                       Hex(static_cast<std::uint32_t>(address)) + ")";
  return false;
}

void GuestCpu::EnterHost(std::uint32_t number) {
  const std::uint32_t eip = Register(UC_X86_REG_EIP);
  const GuestAddress entry_address = eip - 1;
  const std::uint32_t index = (entry_address - kEntriesStart) / kEntrySize;
  const bool is_entry = number == 3 && entry_address >= kEntriesStart &&
                        (entry_address - kEntriesStart) % kEntrySize == 0 && index < entries_.size();
  if (!is_entry) {
    const GuestAddress at = number == 3 ? eip - 1 : eip;
    Stop(std::string(ExceptionName(number)) + " at " + Describe(at));
    return;
  }
  Entry& entry = entries_[index];
  EntryCall call(*this, Register(UC_X86_REG_ESP));
  try {
    const std::uint64_t result = entry.function(call);
    SetRegister(UC_X86_REG_EAX, static_cast<std::uint32_t>(result));
    SetRegister(UC_X86_REG_EDX, static_cast<std::uint32_t>(result >> 32));
  } catch (const std::exception& error) {
    Stop(entry.name + ": " + error.what());
  }
}

}  // namespace varnok::host::pe32
