// One emulated 32-bit Windows process: its memory, its one thread, the heap
// and handles of its C runtime and system, and the DLLs loaded into it.
// Every emulated plug-in of this program lives in the same process, as in
// the host.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/pe32/address_map.h"
#include "host/pe32/guest_cpu.h"
#include "host/pe32/guest_heap.h"
#include "host/pe32/guest_memory.h"
#include "host/pe32/pe_image.h"
#include "host/pe32/system_state.h"
#include "platform/audio_path_probe.h"

namespace varnok::host::pe32 {

struct LoadedModule {
  std::string path;
  std::string name;  // the file name, as imports and GetModuleHandle name it
  PeHeaders headers;
  GuestAddress base = 0;
  PeTls tls;
  int tls_index = -1;
  GuestAddress tls_block = 0;
  std::vector<LoadedModule*> dependencies;
  int references = 0;
  bool attached = false;

  bool Holds(GuestAddress address) const {
    return address >= base && address - base < headers.image_size;
  }
  PlacedImage Image(const GuestMemory& memory) const { return {memory, base, headers.image_size}; }
};

// What a 32-bit MSVC-built host leaves in force: 53-bit precision, round to
// nearest, every exception masked; SSE the same, no flush to zero.
inline constexpr std::uint16_t kHostX87Control = 0x027F;
inline constexpr std::uint32_t kHostMxcsr = 0x1F80;

class GuestProcess final {
 public:
  GuestProcess();
  ~GuestProcess();
  GuestProcess(const GuestProcess&) = delete;
  GuestProcess& operator=(const GuestProcess&) = delete;

  // Loads `path` and the DLLs it imports from its folder, binds its system
  // imports, runs its TLS callbacks and DllMain. A DLL already loaded is
  // counted once more. Throws GuestError naming the file and what failed.
  LoadedModule& Load(const std::string& path);
  // DLL_PROCESS_DETACH once the last reference goes, then its dependencies.
  void Unload(LoadedModule& module);
  GuestAddress Export(const LoadedModule& module, const std::string& name) const;

  GuestMemory& Memory() { return memory_; }
  const GuestMemory& Memory() const { return memory_; }
  GuestCpu& Cpu() { return cpu_; }
  GuestHeap& Heap() { return heap_; }
  SystemState& System() { return *system_; }
  // Heap operations and locks made by the emulated C runtime and system.
  platform::AudioPathCounts& Counts() { return counts_; }
  const platform::AudioPathCounts& Counts() const { return counts_; }

  // Host-owned guest memory (objects, tables, texts) that lives as long as the
  // process, or until given back.
  GuestAddress HostAllocate(std::uint32_t size);
  void HostRelease(GuestAddress block, std::uint32_t size);
  // A NUL-terminated copy of `text`, one per distinct text.
  GuestAddress HostString(const std::string& text);

  // Calls guest code; after a fault every later call fails with its reason,
  // since the guest's state can no longer be trusted.
  std::uint64_t Call(const std::string& what, GuestAddress function, Convention convention,
                     std::initializer_list<std::uint32_t> arguments, std::uint32_t self = 0);
  bool Broken() const { return !broken_.empty(); }
  void MarkBroken(const std::string& reason) {
    if (broken_.empty()) broken_ = reason;
  }

  LoadedModule* ModuleAt(GuestAddress address) const;
  LoadedModule* ModuleNamed(const std::string& name) const;
  // "file+0x1234", or the area an address lies in.
  std::string Describe(GuestAddress address) const;
  // The page protection (PAGE_* value) of an image page, or 0 outside images.
  std::uint32_t PageProtection(GuestAddress page) const;
  void SetPageProtection(GuestAddress page, std::uint32_t protection);

  GuestAddress ThreadBlock() const { return thread_block_; }

 private:
  LoadedModule& LoadNew(const std::string& path);
  void BindImports(LoadedModule& module, const PlacedImage& image);
  void MapSections(const LoadedModule& module);
  void Attach(LoadedModule& module);
  void Detach(LoadedModule& module);
  void Release(LoadedModule& module);
  GuestAddress ImageBaseFor(const PeHeaders& headers) const;
  bool Free(GuestAddress base, std::uint32_t span) const;
  void SetUpThread();

  GuestMemory memory_;
  GuestCpu cpu_;
  GuestHeap heap_;
  std::unique_ptr<SystemState> system_;
  platform::AudioPathCounts counts_;
  std::vector<std::unique_ptr<LoadedModule>> modules_;
  std::map<GuestAddress, std::uint32_t> page_protection_;
  GuestAddress thread_block_ = 0;
  GuestAddress host_next_ = kHostArea.start;
  std::multimap<std::uint32_t, GuestAddress> host_free_;
  std::map<std::string, GuestAddress> strings_;
  std::string broken_;
};

// The process every emulated plug-in of this program is loaded into.
GuestProcess& EmulatedProcess();

}  // namespace varnok::host::pe32
