// KERNEL32: handles, thread slots, critical sections, modules, memory pages,
// and named shared memory, for the one emulated thread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "host/core/ascii_case.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/system_calls.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kCurrentProcess = 0xFFFFFFFFu;
constexpr std::uint32_t kCurrentThread = 0xFFFFFFFEu;
constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFFu;
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 0x102;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr std::uint32_t kTlsOutOfIndexes = 0xFFFFFFFFu;
constexpr std::uint32_t kThreadBlockTlsSlots = 0xE10;
constexpr std::uint32_t kThreadBlockLastError = 0x34;
constexpr std::uint32_t kMemCommit = 0x1000, kMemImage = 0x1000000, kMemPrivate = 0x20000;
constexpr std::uint32_t kPageReadWrite = 0x04;
// Handles of the system DLLs, for GetModuleHandle and GetProcAddress.
struct SystemModule {
  const char* name;
  std::uint32_t handle;
};
constexpr SystemModule kSystemModules[] = {
    {"kernel32.dll", 0x7C800000u}, {"user32.dll", 0x7E410000u}, {"msvcrt.dll", 0x77C10000u}};
// Critical section: DebugInfo, LockCount, RecursionCount, OwningThread, LockSemaphore, SpinCount.
constexpr std::uint32_t kCriticalSectionSize = 24;

std::string WithDll(std::string name) {
  name = Lower(name);
  return name.find('.') == std::string::npos ? name + ".dll" : name;
}

GuestMemory& Memory(ImportCall& call) { return call.Process().Memory(); }
SystemState& System(ImportCall& call) { return call.Process().System(); }

std::uint32_t AddHandle(ImportCall& call, std::shared_ptr<KernelObject> object) {
  SystemState& system = System(call);
  const std::uint32_t handle = system.next_handle;
  system.next_handle += 4;
  system.handles[handle] = std::move(object);
  return handle;
}

// True when the object is signalled; takes it as a wait does.
bool TakeSignal(KernelObject& object) {
  if (object.kind != KernelObject::Kind::kSemaphore || object.count <= 0) return false;
  --object.count;
  return true;
}

std::uint32_t ModuleHandle(ImportCall& call, const std::string& name) {
  if (LoadedModule* module = call.Process().ModuleNamed(name)) return module->base;
  for (const SystemModule& system : kSystemModules) {
    if (WithDll(name) == system.name) return system.handle;
  }
  SetLastError(call.Process(), kErrorModuleNotFound);
  return 0;
}

}  // namespace

KernelObject::~KernelObject() {
  if (mapping != platform::kNoSharedMapping) platform::CloseSharedCounter(mapping);
}

void SetLastError(GuestProcess& process, std::uint32_t code) {
  process.Memory().Write32(process.ThreadBlock() + kThreadBlockLastError, code);
}

std::uint32_t LastError(GuestProcess& process) {
  return process.Memory().Read32(process.ThreadBlock() + kThreadBlockLastError);
}

KernelObject* FindObject(GuestProcess& process, std::uint32_t handle) {
  const auto found = process.System().handles.find(handle);
  return found == process.System().handles.end() ? nullptr : found->second.get();
}

namespace kernel32 {

std::uint64_t CloseHandle(ImportCall& call) {
  const std::uint32_t handle = call.Arg(0);
  if (handle == kCurrentProcess || handle == kCurrentThread) return 1;
  if (System(call).handles.erase(handle) == 0) {
    SetLastError(call.Process(), kErrorInvalidHandle);
    return 0;
  }
  return 1;
}

// The name, if any, is not read: nothing opens the semaphore by name.
std::uint64_t CreateSemaphoreW(ImportCall& call) {
  auto semaphore = std::make_shared<KernelObject>(KernelObject::Kind::kSemaphore);
  semaphore->count = static_cast<std::int32_t>(call.Arg(1));
  semaphore->maximum = static_cast<std::int32_t>(call.Arg(2));
  if (semaphore->maximum <= 0 || semaphore->count < 0 || semaphore->count > semaphore->maximum) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  return AddHandle(call, std::move(semaphore));
}

std::uint64_t ReleaseSemaphore(ImportCall& call) {
  KernelObject* semaphore = FindObject(call.Process(), call.Arg(0));
  const auto release = static_cast<std::int32_t>(call.Arg(1));
  if (semaphore == nullptr || semaphore->kind != KernelObject::Kind::kSemaphore || release <= 0 ||
      semaphore->count > semaphore->maximum - release) {
    return 0;
  }
  if (call.Arg(2) != 0) Memory(call).Write32(call.Arg(2), static_cast<std::uint32_t>(semaphore->count));
  semaphore->count += release;
  return 1;
}

// One thread runs here: a wait that nothing signals could only end by its
// time-out, which passes at once; a wait for ever is a deadlock.
std::uint64_t WaitForSingleObject(ImportCall& call) {
  KernelObject* object = FindObject(call.Process(), call.Arg(0));
  if (object == nullptr) {
    SetLastError(call.Process(), kErrorInvalidHandle);
    return kWaitFailed;
  }
  if (TakeSignal(*object)) return kWaitObject0;
  if (call.Arg(1) == kInfinite) throw GuestError("waits for ever for an object no other thread can signal");
  return kWaitTimeout;
}

// One thread, so a critical section only counts its owner's entries.
std::uint64_t InitializeCriticalSection(ImportCall& call) {
  std::memset(Memory(call).Writable(call.Arg(0), kCriticalSectionSize), 0, kCriticalSectionSize);
  Memory(call).Write32(call.Arg(0) + 4, 0xFFFFFFFFu);
  return 0;
}

std::uint64_t DeleteCriticalSection(ImportCall& call) {
  Memory(call).Writable(call.Arg(0), kCriticalSectionSize);
  return 0;
}

std::uint64_t EnterCriticalSection(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  const GuestAddress section = call.Arg(0);
  ++call.Process().Counts().locks;
  memory.Write32(section + 4, memory.Read32(section + 4) + 1);
  memory.Write32(section + 8, memory.Read32(section + 8) + 1);
  memory.Write32(section + 12, GetCurrentThreadId(call));
  return 0;
}

std::uint64_t LeaveCriticalSection(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  const GuestAddress section = call.Arg(0);
  const std::uint32_t depth = memory.Read32(section + 8);
  if (depth == 0) throw GuestError("leaves a critical section it has not entered");
  memory.Write32(section + 4, memory.Read32(section + 4) - 1);
  memory.Write32(section + 8, depth - 1);
  if (depth == 1) memory.Write32(section + 12, 0);
  return 0;
}

std::uint64_t GetCurrentThreadId(ImportCall& call) {
  return Memory(call).Read32(call.Process().ThreadBlock() + 0x24);
}

std::uint64_t GetLastError(ImportCall& call) { return pe32::LastError(call.Process()); }
std::uint64_t SetLastError(ImportCall& call) {
  pe32::SetLastError(call.Process(), call.Arg(0));
  return 0;
}

std::uint64_t GetModuleHandleA(ImportCall& call) {
  if (call.Arg(0) == 0) {
    SetLastError(call.Process(), kErrorModuleNotFound);  // no program image is emulated
    return 0;
  }
  return ModuleHandle(call, Memory(call).ReadString(call.Arg(0), 260));
}

std::uint64_t GetModuleHandleW(ImportCall& call) {
  if (call.Arg(0) == 0) {
    SetLastError(call.Process(), kErrorModuleNotFound);
    return 0;
  }
  std::string name;
  for (GuestAddress at = call.Arg(0); name.size() < 260; at += 2) {
    const std::uint16_t c = Memory(call).Read16(at);
    if (c == 0) break;
    name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return ModuleHandle(call, name);
}

// Only DLLs already in the process are found: the emulator loads no others.
std::uint64_t LoadLibraryA(ImportCall& call) {
  const std::string name = Memory(call).ReadString(call.Arg(0), 260);
  if (LoadedModule* module = call.Process().ModuleNamed(name)) {
    ++module->references;
    return module->base;
  }
  SetLastError(call.Process(), kErrorModuleNotFound);
  return 0;
}

std::uint64_t FreeLibrary(ImportCall& call) {
  LoadedModule* module = call.Process().ModuleAt(call.Arg(0));
  if (module == nullptr || module->base != call.Arg(0)) {
    SetLastError(call.Process(), kErrorInvalidHandle);
    return 0;
  }
  if (module->references > 1) --module->references;
  return 1;
}

std::uint64_t GetProcAddress(ImportCall& call) {
  const std::uint32_t handle = call.Arg(0);
  const GuestAddress name_at = call.Arg(1);
  if ((name_at >> 16) == 0) {  // by ordinal: none of ours is asked for that way
    SetLastError(call.Process(), kErrorProcedureNotFound);
    return 0;
  }
  const std::string name = Memory(call).ReadString(name_at, 256);
  LoadedModule* module = call.Process().ModuleAt(handle);
  if (module != nullptr && module->base == handle) {
    const GuestAddress found = call.Process().Export(*module, name);
    if (found != 0) return found;
  }
  for (const SystemModule& system : kSystemModules) {
    if (handle != system.handle) continue;
    if (const SystemImport* import = FindSystemImport(system.name, name)) {
      return import->data != nullptr ? import->data(call.Process()) : ImportEntry(call.Process(), *import);
    }
  }
  SetLastError(call.Process(), kErrorProcedureNotFound);
  return 0;
}

std::uint64_t IsDBCSLeadByteEx(ImportCall&) { return 0; }  // single-byte code pages only

// No longer than the call may take, and not past a stop.
std::uint64_t Sleep(ImportCall& call) {
  if (call.Arg(0) == kInfinite) throw GuestError("sleeps for ever");
  call.Process().Cpu().Sleep(std::chrono::milliseconds(call.Arg(0)));
  return 0;
}

std::uint64_t TlsAlloc(ImportCall& call) {
  std::vector<bool>& slots = System(call).tls_slots;
  const auto free_slot = std::find(slots.begin(), slots.end(), false);
  if (free_slot == slots.end()) return kTlsOutOfIndexes;
  *free_slot = true;
  const auto index = static_cast<std::uint32_t>(free_slot - slots.begin());
  Memory(call).Write32(call.Process().ThreadBlock() + kThreadBlockTlsSlots + 4 * index, 0);
  return index;
}

std::uint64_t TlsFree(ImportCall& call) {
  const std::uint32_t index = call.Arg(0);
  if (index >= System(call).tls_slots.size() || !System(call).tls_slots[index]) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  System(call).tls_slots[index] = false;
  return 1;
}

std::uint64_t TlsGetValue(ImportCall& call) {
  const std::uint32_t index = call.Arg(0);
  if (index >= System(call).tls_slots.size() || !System(call).tls_slots[index]) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  pe32::SetLastError(call.Process(), 0);
  return Memory(call).Read32(call.Process().ThreadBlock() + kThreadBlockTlsSlots + 4 * index);
}

std::uint64_t TlsSetValue(ImportCall& call) {
  const std::uint32_t index = call.Arg(0);
  if (index >= System(call).tls_slots.size() || !System(call).tls_slots[index]) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  Memory(call).Write32(call.Process().ThreadBlock() + kThreadBlockTlsSlots + 4 * index, call.Arg(1));
  return 1;
}

std::uint64_t VirtualProtect(ImportCall& call) {
  const GuestAddress start = call.Arg(0) & ~(GuestMemory::kPage - 1);
  const std::uint64_t end = static_cast<std::uint64_t>(call.Arg(0)) + call.Arg(1);
  GuestProcess& process = call.Process();
  const std::uint32_t old = process.PageProtection(start);
  if (old == 0 || call.Arg(1) == 0) {
    SetLastError(process, kErrorInvalidParameter);  // only image pages are protected here
    return 0;
  }
  for (std::uint64_t page = start; page < end; page += GuestMemory::kPage) {
    if (process.PageProtection(static_cast<GuestAddress>(page)) == 0) {
      SetLastError(process, kErrorInvalidParameter);
      return 0;
    }
  }
  for (std::uint64_t page = start; page < end; page += GuestMemory::kPage) {
    process.SetPageProtection(static_cast<GuestAddress>(page), call.Arg(2));
  }
  if (call.Arg(3) != 0) Memory(call).Write32(call.Arg(3), old);
  return 1;
}

std::uint64_t VirtualQuery(ImportCall& call) {
  constexpr std::uint32_t kInformationSize = 28;
  if (call.Arg(2) < kInformationSize) return 0;
  GuestProcess& process = call.Process();
  const GuestAddress page = call.Arg(0) & ~(GuestMemory::kPage - 1);
  const GuestAddress info = call.Arg(1);
  std::uint32_t protection = process.PageProtection(page);
  const LoadedModule* module = process.ModuleAt(page);
  GuestAddress allocation = module != nullptr ? module->base : page;
  std::uint32_t region = GuestMemory::kPage;
  if (protection != 0) {
    while (process.PageProtection(page + region) == protection) region += GuestMemory::kPage;
  } else if (process.Memory().AccessOf(page) != 0) {
    protection = kPageReadWrite;
  } else {
    SetLastError(process, kErrorInvalidParameter);
    return 0;
  }
  GuestMemory& memory = Memory(call);
  memory.Write32(info + 0, page);
  memory.Write32(info + 4, allocation);
  memory.Write32(info + 8, protection);
  memory.Write32(info + 12, region);
  memory.Write32(info + 16, kMemCommit);
  memory.Write32(info + 20, protection);
  memory.Write32(info + 24, module != nullptr ? kMemImage : kMemPrivate);
  return kInformationSize;
}

std::uint64_t MultiByteToWideChar(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  const GuestAddress source = call.Arg(2);
  auto length = static_cast<std::int32_t>(call.Arg(3));
  const GuestAddress target = call.Arg(4);
  const auto room = static_cast<std::int32_t>(call.Arg(5));
  if (length < 0) length = static_cast<std::int32_t>(memory.ReadString(source).size()) + 1;
  if (room == 0) return static_cast<std::uint32_t>(length);
  if (room < length) {
    SetLastError(call.Process(), 122);  // ERROR_INSUFFICIENT_BUFFER
    return 0;
  }
  const std::uint8_t* bytes = memory.Readable(source, static_cast<std::uint32_t>(length));
  for (std::int32_t i = 0; i < length; ++i) memory.Write16(target + 2u * static_cast<std::uint32_t>(i), bytes[i]);
  return static_cast<std::uint32_t>(length);
}

std::uint64_t WideCharToMultiByte(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  const GuestAddress source = call.Arg(2);
  auto length = static_cast<std::int32_t>(call.Arg(3));
  const GuestAddress target = call.Arg(4);
  const auto room = static_cast<std::int32_t>(call.Arg(5));
  if (length < 0) {
    length = 0;
    while (memory.Read16(source + 2u * static_cast<std::uint32_t>(length)) != 0) ++length;
    ++length;
  }
  if (room == 0) return static_cast<std::uint32_t>(length);
  if (room < length) {
    SetLastError(call.Process(), 122);
    return 0;
  }
  std::uint8_t* bytes = memory.Writable(target, static_cast<std::uint32_t>(length));
  for (std::int32_t i = 0; i < length; ++i) {
    const std::uint16_t c = memory.Read16(source + 2u * static_cast<std::uint32_t>(i));
    bytes[i] = c < 0x100 ? static_cast<std::uint8_t>(c) : static_cast<std::uint8_t>('?');
  }
  return static_cast<std::uint32_t>(length);
}

// Named shared memory: only the 4-byte counters that the machines keep, on
// the host's own shared counters, so emulated and native machines count
// together, and in the namespace those keep, so no name reaches another
// program's object.
std::uint64_t OpenFileMappingA(ImportCall& call) {
  const std::string name = System(call).shared_name_prefix + Memory(call).ReadString(call.Arg(2), 260);
  platform::SharedMapping mapping = platform::kNoSharedMapping;
  bool created = false;
  if (!platform::OpenOrCreateSharedCounter(name.c_str(), mapping, created)) {
    SetLastError(call.Process(), kErrorFileNotFound);
    return 0;
  }
  if (created) {  // nobody held it: opening must fail
    platform::CloseSharedCounter(mapping);
    SetLastError(call.Process(), kErrorFileNotFound);
    return 0;
  }
  auto object = std::make_shared<KernelObject>(KernelObject::Kind::kMapping);
  object->mapping = mapping;
  return AddHandle(call, std::move(object));
}

std::uint64_t CreateFileMappingA(ImportCall& call) {
  if (call.Arg(0) != kInvalidHandle || call.Arg(3) != 0 || call.Arg(4) == 0 || call.Arg(4) > 4 ||
      call.Arg(5) == 0) {
    throw GuestError("asks for shared memory other than a named 4-byte counter backed by the paging file");
  }
  const std::string name = System(call).shared_name_prefix + Memory(call).ReadString(call.Arg(5), 260);
  platform::SharedMapping mapping = platform::kNoSharedMapping;
  bool created = false;
  if (!platform::OpenOrCreateSharedCounter(name.c_str(), mapping, created)) {
    SetLastError(call.Process(), kErrorNotEnoughMemory);
    return 0;
  }
  pe32::SetLastError(call.Process(), created ? 0 : kErrorAlreadyExists);
  auto object = std::make_shared<KernelObject>(KernelObject::Kind::kMapping);
  object->mapping = mapping;
  return AddHandle(call, std::move(object));
}

std::uint64_t MapViewOfFile(ImportCall& call) {
  KernelObject* object = FindObject(call.Process(), call.Arg(0));
  if (object == nullptr || object->kind != KernelObject::Kind::kMapping) {
    SetLastError(call.Process(), kErrorInvalidHandle);
    return 0;
  }
  if (call.Arg(2) != 0 || call.Arg(3) != 0 || call.Arg(4) > 4) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  SystemState& system = System(call);
  GuestAddress page = kViewArea.start;
  while (std::any_of(system.views.begin(), system.views.end(),
                     [&](const SharedView& view) { return view.page == page; })) {
    page += GuestMemory::kPage;
    if (!kViewArea.Holds(page)) {
      SetLastError(call.Process(), kErrorNotEnoughMemory);
      return 0;
    }
  }
  std::int32_t* counter = platform::MapSharedCounter(object->mapping);
  if (counter == nullptr) {
    SetLastError(call.Process(), kErrorNotEnoughMemory);
    return 0;
  }
  // The host's view starts a page of its own; the guest sees that page.
  auto* host_page = reinterpret_cast<std::uint8_t*>(counter);
  call.Process().Cpu().MapForeign(page, host_page);
  system.views.push_back({page, counter});
  return page;
}

std::uint64_t UnmapViewOfFile(ImportCall& call) {
  auto& views = System(call).views;
  const auto found = std::find_if(views.begin(), views.end(),
                                  [&](const SharedView& view) { return view.page == call.Arg(0); });
  if (found == views.end()) {
    SetLastError(call.Process(), kErrorInvalidParameter);
    return 0;
  }
  call.Process().Cpu().Unmap(found->page, GuestMemory::kPage);
  platform::UnmapSharedCounter(found->host);
  views.erase(found);
  return 1;
}

}  // namespace kernel32
}  // namespace varnok::host::pe32
