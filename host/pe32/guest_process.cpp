#include "host/pe32/guest_process.h"

#include <unicorn/unicorn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/core/ascii_case.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/system_imports.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kProcessAttach = 1;
constexpr std::uint32_t kProcessDetach = 0;
constexpr std::uint32_t kImageAlignment = 0x10000;

// Section characteristics and the page protections they give.
constexpr std::uint32_t kSectionExecute = 0x20000000u;
constexpr std::uint32_t kSectionRead = 0x40000000u;
constexpr std::uint32_t kSectionWrite = 0x80000000u;
constexpr std::uint32_t kPageReadOnly = 0x02, kPageReadWrite = 0x04, kPageExecuteRead = 0x20,
                        kPageExecuteReadWrite = 0x40;

// Layout of the system area.
constexpr GuestAddress kDescriptorTable = kSystemArea.start;
constexpr GuestAddress kThreadBlock = kSystemArea.start + 0x1000;
constexpr GuestAddress kProcessBlock = kSystemArea.start + 0x2000;
constexpr GuestAddress kModuleTlsArray = kSystemArea.start + 0x3000;
constexpr GuestAddress kRuntimeData = kSystemArea.start + 0x4000;
constexpr std::uint32_t kThreadId = 1;

std::uint32_t ProtectionOf(std::uint32_t characteristics) {
  const bool execute = (characteristics & kSectionExecute) != 0;
  const bool write = (characteristics & kSectionWrite) != 0;
  if (execute) return write ? kPageExecuteReadWrite : kPageExecuteRead;
  return write ? kPageReadWrite : kPageReadOnly;
}

std::uint32_t AccessOf(std::uint32_t protection) {
  switch (protection) {
    case 0x01: return 0;
    case 0x02: return kRead;
    case 0x04:
    case 0x08: return kRead | kWrite;
    case 0x10: return kExecute;
    case 0x20: return kRead | kExecute;
    default: return kRead | kWrite | kExecute;
  }
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw GuestError("cannot open the file");
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

GuestProcess::GuestProcess()
    : cpu_(memory_, [this](GuestAddress address) { return Describe(address); }),
      heap_(kHeapArea),
      system_(std::make_unique<SystemState>()) {
  for (const Area& area : {kSystemArea, kStackArea, kHostArea, kHeapArea}) {
    memory_.Commit(area.start, area.size);
    cpu_.Map(area.start, area.size, kRead | kWrite);
  }
  SetUpThread();
  cpu_.SetFloatControl(kHostX87Control, kHostMxcsr);
}

GuestProcess::~GuestProcess() = default;

void GuestProcess::SetUpThread() {
  thread_block_ = kThreadBlock;
  // The thread information block as code reaches it through FS.
  memory_.Write32(kThreadBlock + 0x00, 0xFFFFFFFFu);  // no exception handler frame
  memory_.Write32(kThreadBlock + 0x04, kStackArea.End());
  memory_.Write32(kThreadBlock + 0x08, kStackArea.start);
  memory_.Write32(kThreadBlock + 0x18, kThreadBlock);
  memory_.Write32(kThreadBlock + 0x20, static_cast<std::uint32_t>(getpid()));
  memory_.Write32(kThreadBlock + 0x24, kThreadId);
  memory_.Write32(kThreadBlock + 0x2C, kModuleTlsArray);
  memory_.Write32(kThreadBlock + 0x30, kProcessBlock);
  system_->module_tls_array = kModuleTlsArray;
  cpu_.SetThreadBlock(kThreadBlock, kDescriptorTable);
  cpu_.SetStackTop(kStackArea.End() - 0x100);

  // The runtime's data: errno, the three standard streams, the multibyte limit.
  system_->errno_slot = kRuntimeData;
  system_->mb_cur_max = kRuntimeData + 4;
  memory_.Write32(system_->mb_cur_max, 1);
  system_->streams = kRuntimeData + 0x40;
  system_->locale_numbers = kRuntimeData + 0x100;
}

GuestAddress GuestProcess::HostAllocate(std::uint32_t size) {
  const std::uint32_t rounded = (size + 15u) & ~15u;
  const auto reuse = host_free_.find(rounded);
  if (reuse != host_free_.end()) {
    const GuestAddress block = reuse->second;
    host_free_.erase(reuse);
    std::memset(memory_.Backing(block, rounded), 0, rounded);
    return block;
  }
  if (!kHostArea.Holds(host_next_, rounded)) throw GuestError("the host's area of guest memory is full");
  const GuestAddress block = host_next_;
  host_next_ += rounded;
  return block;
}

void GuestProcess::HostRelease(GuestAddress block, std::uint32_t size) {
  host_free_.emplace((size + 15u) & ~15u, block);
}

GuestAddress GuestProcess::HostString(const std::string& text) {
  const auto found = strings_.find(text);
  if (found != strings_.end()) return found->second;
  const GuestAddress at = HostAllocate(static_cast<std::uint32_t>(text.size() + 1));
  std::memcpy(memory_.Backing(at, static_cast<std::uint32_t>(text.size() + 1)), text.c_str(),
              text.size() + 1);
  strings_.emplace(text, at);
  return at;
}

std::uint64_t GuestProcess::Call(const std::string& what, GuestAddress function,
                                 Convention convention,
                                 std::initializer_list<std::uint32_t> arguments,
                                 std::uint32_t self) {
  if (!broken_.empty()) throw GuestError(what + ": not run, the emulated process stopped: " + broken_);
  try {
    return cpu_.Call(what, function, convention, arguments, self);
  } catch (const GuestError& error) {
    MarkBroken(error.what());
    throw;
  }
}

LoadedModule* GuestProcess::ModuleAt(GuestAddress address) const {
  for (const auto& module : modules_) {
    if (module->Holds(address)) return module.get();
  }
  return nullptr;
}

LoadedModule* GuestProcess::ModuleNamed(const std::string& name) const {
  const std::string wanted = Lower(name);
  for (const auto& module : modules_) {
    if (Lower(module->name) == wanted) return module.get();
  }
  return nullptr;
}

std::string GuestProcess::Describe(GuestAddress address) const {
  if (const LoadedModule* module = ModuleAt(address)) {
    char offset[16];
    std::snprintf(offset, sizeof offset, "+0x%x", address - module->base);
    return module->name + offset;
  }
  const char* area = kThunkArea.Holds(address)    ? "host entries"
                     : kSystemArea.Holds(address) ? "system data"
                     : kStackArea.Holds(address)  ? "the stack"
                     : kHeapArea.Holds(address)   ? "the heap"
                     : kHostArea.Holds(address)   ? "host data"
                     : kViewArea.Holds(address)   ? "shared memory"
                                                  : nullptr;
  return Hex(address) + (area != nullptr ? std::string(" (") + area + ")" : std::string());
}

std::uint32_t GuestProcess::PageProtection(GuestAddress page) const {
  const auto found = page_protection_.find(page & ~(GuestMemory::kPage - 1));
  return found == page_protection_.end() ? 0 : found->second;
}

void GuestProcess::SetPageProtection(GuestAddress page, std::uint32_t protection) {
  page &= ~(GuestMemory::kPage - 1);
  page_protection_[page] = protection;
  cpu_.Protect(page, GuestMemory::kPage, AccessOf(protection));
}

bool GuestProcess::Free(GuestAddress base, std::uint32_t span) const {
  if (base % kImageAlignment != 0 || !kUserSpace.Holds(base, span)) return false;
  for (const Area& own : kOwnAreas) {
    if (own.Overlaps(base, span)) return false;
  }
  for (const auto& module : modules_) {
    if (Area{module->base, module->headers.image_size}.Overlaps(base, span)) return false;
  }
  return true;
}

// As Windows: an image that cannot move loads where it asks to be or not at
// all; one that can goes anywhere but there, so that its relocations are
// always exercised.
GuestAddress GuestProcess::ImageBaseFor(const PeHeaders& headers) const {
  const std::uint32_t span = (headers.image_size + kImageAlignment - 1) & ~(kImageAlignment - 1);
  if (!headers.Relocatable()) {
    if (Free(headers.preferred_base, span)) return headers.preferred_base;
    throw GuestError("the image cannot move from its preferred base " + Hex(headers.preferred_base) +
                     ", where its " + Hex(headers.image_size) + " bytes do not fit: it has no relocations");
  }
  for (GuestAddress base = kImageArea.start; kImageArea.Holds(base, span); base += kImageAlignment) {
    if (base != headers.preferred_base && Free(base, span)) return base;
  }
  throw GuestError("no room left for the image");
}

LoadedModule& GuestProcess::Load(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  if (LoadedModule* loaded = ModuleNamed(name)) {
    ++loaded->references;
    return *loaded;
  }
  return LoadNew(path);
}

LoadedModule& GuestProcess::LoadNew(const std::string& path) {
  auto module = std::make_unique<LoadedModule>();
  module->path = path;
  module->name = std::filesystem::path(path).filename().string();
  const std::string name = module->name;
  std::vector<std::uint8_t> file;
  try {
    file = ReadFile(path);
    module->headers = ReadHeaders(file);
  } catch (const GuestError& error) {
    throw GuestError(name + ": " + error.what());
  }
  try {
    module->base = ImageBaseFor(module->headers);
  } catch (const GuestError& error) {
    throw GuestError(name + ": " + error.what());
  }
  module->references = 1;
  LoadedModule& placed = *module;
  modules_.push_back(std::move(module));
  try {
    memory_.Commit(placed.base, placed.headers.image_size);
    const PlacedImage image = placed.Image(memory_);
    PlaceImage(file, placed.headers, image);
    Relocate(placed.headers, image);
    placed.tls = ReadTls(placed.headers, image);
    BindImports(placed, image);
    MapSections(placed);
    Attach(placed);
  } catch (const GuestError& error) {
    const std::vector<LoadedModule*> dependencies = placed.dependencies;
    Release(placed);
    for (auto it = dependencies.rbegin(); it != dependencies.rend(); ++it) {
      try {
        Unload(**it);
      } catch (const GuestError&) {
        // The first fault is the one to report.
      }
    }
    const std::string text = error.what();
    throw GuestError(text.rfind(name, 0) == 0 ? text : name + ": " + text);
  }
  return placed;
}

void GuestProcess::BindImports(LoadedModule& module, const PlacedImage& image) {
  const std::filesystem::path folder = std::filesystem::path(module.path).parent_path();
  for (const PeImport& import : ReadImports(module.headers, image)) {
    const std::string what = import.name.empty() ? "ordinal " + std::to_string(import.ordinal) : import.name;
    GuestAddress target = 0;
    if (IsSystemDll(import.dll)) {
      const SystemImport* entry = import.name.empty() ? nullptr : FindSystemImport(import.dll, import.name);
      if (entry == nullptr) {
        throw GuestError(module.name + ": imports " + what + " from " + import.dll +
                         ", which the emulator does not provide");
      }
      target = entry->data != nullptr ? entry->data(*this) : ImportEntry(*this, *entry);
    } else {
      LoadedModule* dependency = ModuleNamed(import.dll);
      if (dependency == nullptr ||
          std::find(module.dependencies.begin(), module.dependencies.end(), dependency) ==
              module.dependencies.end()) {
        const std::filesystem::path beside = folder / import.dll;
        if (dependency == nullptr && !std::filesystem::exists(beside)) {
          throw GuestError(module.name + ": needs " + import.dll +
                           ", which is neither beside it nor a system DLL the emulator provides");
        }
        dependency = &Load(dependency != nullptr ? dependency->path : beside.string());
        module.dependencies.push_back(dependency);
      }
      target = import.name.empty() ? 0 : Export(*dependency, import.name);
      if (target == 0) {
        throw GuestError(module.name + ": imports " + what + " from " + import.dll +
                         ", which does not export it");
      }
    }
    image.Write32(import.slot_rva, target, "an import address table");
  }
}

void GuestProcess::MapSections(const LoadedModule& module) {
  const std::uint32_t pages = (module.headers.image_size + GuestMemory::kPage - 1) / GuestMemory::kPage;
  std::vector<std::uint32_t> protection(pages, kPageReadOnly);  // headers and gaps
  for (const PeSection& section : module.headers.sections) {
    const std::uint32_t extent = std::max(section.virtual_size, section.raw_size);
    for (std::uint32_t at = section.rva; at < section.rva + extent; at += GuestMemory::kPage) {
      protection[at / GuestMemory::kPage] = ProtectionOf(section.characteristics);
    }
    if ((section.characteristics & (kSectionRead | kSectionExecute | kSectionWrite)) == 0) {
      for (std::uint32_t at = section.rva; at < section.rva + extent; at += GuestMemory::kPage) {
        protection[at / GuestMemory::kPage] = 0x01;
      }
    }
  }
  // Runs of pages with one protection become one mapping each.
  for (std::uint32_t first = 0; first < pages;) {
    std::uint32_t last = first;
    while (last + 1 < pages && protection[last + 1] == protection[first]) ++last;
    const GuestAddress start = module.base + first * GuestMemory::kPage;
    cpu_.Map(start, (last - first + 1) * GuestMemory::kPage, AccessOf(protection[first]));
    for (std::uint32_t page = first; page <= last; ++page) {
      page_protection_[module.base + page * GuestMemory::kPage] = protection[page];
    }
    first = last + 1;
  }
}

void GuestProcess::Attach(LoadedModule& module) {
  if (module.tls.index_slot != 0) {
    int index = 0;
    while (index < 64 && system_->module_tls[index]) ++index;
    if (index == 64) throw GuestError("no TLS index left");
    system_->module_tls[index] = true;
    module.tls_index = index;
    const std::uint32_t template_size = module.tls.template_end - module.tls.template_start;
    module.tls_block = HostAllocate(std::max<std::uint32_t>(module.tls.BlockSize(), 4));
    std::memcpy(memory_.Backing(module.tls_block, template_size),
                memory_.Backing(module.tls.template_start, template_size), template_size);
    memory_.Write32(system_->module_tls_array + 4u * static_cast<std::uint32_t>(index), module.tls_block);
    const auto value = static_cast<std::uint32_t>(index);
    std::memcpy(memory_.Backing(module.tls.index_slot, 4), &value, 4);
  }
  for (GuestAddress callback : module.tls.callbacks) {
    Call(module.name + ": TLS callback (attach)", callback, Convention::kStdcall,
         {module.base, kProcessAttach, 0});
  }
  if (module.headers.entry_rva != 0) {
    const std::uint32_t result = static_cast<std::uint32_t>(
        Call(module.name + ": DllMain (attach)", module.base + module.headers.entry_rva,
             Convention::kStdcall, {module.base, kProcessAttach, 0}));
    if (result == 0) throw GuestError(module.name + ": DllMain refused DLL_PROCESS_ATTACH");
  }
  module.attached = true;
}

void GuestProcess::Detach(LoadedModule& module) {
  if (!module.attached || Broken()) return;
  module.attached = false;
  if (module.headers.entry_rva != 0) {
    Call(module.name + ": DllMain (detach)", module.base + module.headers.entry_rva,
         Convention::kStdcall, {module.base, kProcessDetach, 0});
  }
  for (GuestAddress callback : module.tls.callbacks) {
    Call(module.name + ": TLS callback (detach)", callback, Convention::kStdcall,
         {module.base, kProcessDetach, 0});
  }
}

void GuestProcess::Unload(LoadedModule& module) {
  if (--module.references > 0) return;
  std::string fault;
  try {
    Detach(module);
  } catch (const GuestError& error) {
    fault = error.what();
  }
  std::vector<LoadedModule*> dependencies = module.dependencies;
  Release(module);
  for (auto it = dependencies.rbegin(); it != dependencies.rend(); ++it) Unload(**it);
  if (!fault.empty()) throw GuestError(fault);
}

// Forgets the module and unmaps its pages; what it allocated stays allocated.
void GuestProcess::Release(LoadedModule& module) {
  const auto first = page_protection_.lower_bound(module.base);
  auto last = first;
  while (last != page_protection_.end() && module.Holds(last->first)) ++last;
  if (first != last) {
    for (auto run = first; run != last;) {
      auto after = std::next(run);
      const bool code = (AccessOf(run->second) & kExecute) != 0;
      while (after != last && ((AccessOf(after->second) & kExecute) != 0) == code) ++after;
      const GuestAddress end = std::prev(after)->first + GuestMemory::kPage;
      if (code) cpu_.ForgetCode(run->first, end - run->first);
      run = after;
    }
    const GuestAddress end = std::prev(last)->first + GuestMemory::kPage;
    cpu_.Unmap(module.base, end - module.base);
    page_protection_.erase(first, last);
  }
  memory_.Decommit(module.base, module.headers.image_size);
  if (module.tls_index >= 0) {
    system_->module_tls[module.tls_index] = false;
    memory_.Write32(system_->module_tls_array + 4u * static_cast<std::uint32_t>(module.tls_index), 0);
    HostRelease(module.tls_block, std::max<std::uint32_t>(module.tls.BlockSize(), 4));
  }
  modules_.erase(std::find_if(modules_.begin(), modules_.end(),
                              [&](const auto& held) { return held.get() == &module; }));
}

GuestAddress GuestProcess::Export(const LoadedModule& module, const std::string& name) const {
  return FindExport(module.headers, module.Image(memory_), name);
}

GuestProcess& EmulatedProcess() {
  static GuestProcess* process = new GuestProcess();  // lives until the program ends
  return *process;
}

}  // namespace varnok::host::pe32
