#include "host/pe32/pe_image.h"

#include <cstring>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kOptionalMagicPe32 = 0x010B;
constexpr std::uint16_t kCharacteristicDll = 0x2000;
constexpr std::uint16_t kCharacteristicRelocsStripped = 0x0001;
constexpr std::uint16_t kRelocationAbsolute = 0;
constexpr std::uint16_t kRelocationHighLow = 3;
constexpr std::uint32_t kOrdinalFlag = 0x80000000u;
constexpr std::uint32_t kResourceSubdirectory = 0x80000000u;
constexpr std::uint32_t kResourceNamed = 0x80000000u;

std::uint16_t U16(const std::vector<std::uint8_t>& file, std::size_t at) {
  if (at + 2 > file.size()) throw GuestError("the file ends inside its headers");
  std::uint16_t value;
  std::memcpy(&value, file.data() + at, 2);
  return value;
}

std::uint32_t U32(const std::vector<std::uint8_t>& file, std::size_t at) {
  if (at + 4 > file.size()) throw GuestError("the file ends inside its headers");
  std::uint32_t value;
  std::memcpy(&value, file.data() + at, 4);
  return value;
}

std::size_t PeOffset(const std::vector<std::uint8_t>& file) {
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') throw GuestError("no MZ header");
  const std::size_t pe = U32(file, 0x3C);
  if (U32(file, pe) != 0x00004550u) throw GuestError("no PE signature");
  return pe;
}

}  // namespace

bool LooksLikePe32(const std::vector<std::uint8_t>& file) {
  try {
    return U16(file, PeOffset(file) + 4) == kMachineI386;
  } catch (const GuestError&) {
    return false;
  }
}

PeHeaders ReadHeaders(const std::vector<std::uint8_t>& file) {
  const std::size_t pe = PeOffset(file);
  const std::uint16_t machine = U16(file, pe + 4);
  if (machine != kMachineI386) throw GuestError("machine type " + Hex(machine) + ", not i386");
  const std::uint16_t section_count = U16(file, pe + 6);
  const std::uint16_t optional_size = U16(file, pe + 20);
  const std::uint16_t characteristics = U16(file, pe + 22);
  if ((characteristics & kCharacteristicDll) == 0) throw GuestError("not a DLL");
  const std::size_t optional = pe + 24;
  if (U16(file, optional) != kOptionalMagicPe32) throw GuestError("not a PE32 image");

  PeHeaders headers{};
  headers.entry_rva = U32(file, optional + 16);
  headers.preferred_base = U32(file, optional + 28);
  headers.section_alignment = U32(file, optional + 32);
  headers.image_size = U32(file, optional + 56);
  headers.headers_size = U32(file, optional + 60);
  headers.relocations_stripped = (characteristics & kCharacteristicRelocsStripped) != 0;
  if (headers.section_alignment != GuestMemory::kPage) {
    throw GuestError("section alignment " + Hex(headers.section_alignment) + ", not one page");
  }
  if (headers.image_size == 0 || headers.image_size > 0x04000000u) {
    throw GuestError("image size " + Hex(headers.image_size) + " out of range");
  }
  const std::uint32_t directory_count = U32(file, optional + 92);
  for (std::uint32_t i = 0; i < directory_count && i < 16; ++i) {
    headers.directories.push_back({U32(file, optional + 96 + 8 * i), U32(file, optional + 100 + 8 * i)});
  }
  const std::size_t table = optional + optional_size;
  for (std::uint16_t i = 0; i < section_count; ++i) {
    const std::size_t at = table + 40u * i;
    if (at + 40 > file.size()) throw GuestError("the file ends inside its section table");
    PeSection section;
    section.name.assign(reinterpret_cast<const char*>(file.data() + at),
                        strnlen(reinterpret_cast<const char*>(file.data() + at), 8));
    section.virtual_size = U32(file, at + 8);
    section.rva = U32(file, at + 12);
    section.raw_size = U32(file, at + 16);
    section.raw_offset = U32(file, at + 20);
    section.characteristics = U32(file, at + 36);
    const std::uint64_t extent = static_cast<std::uint64_t>(section.rva) +
                                 std::max(section.virtual_size, section.raw_size);
    if (extent > headers.image_size) throw GuestError("section " + section.name + " outside the image");
    if (static_cast<std::uint64_t>(section.raw_offset) + section.raw_size > file.size()) {
      throw GuestError("section " + section.name + " outside the file");
    }
    headers.sections.push_back(section);
  }
  return headers;
}

void PlaceImage(const std::vector<std::uint8_t>& file, const PeHeaders& headers,
                GuestMemory& memory, GuestAddress base) {
  std::uint8_t* image = memory.Checked(base, headers.image_size);
  std::memset(image, 0, headers.image_size);
  std::memcpy(image, file.data(), std::min<std::size_t>(headers.headers_size, file.size()));
  for (const PeSection& section : headers.sections) {
    const std::uint32_t size = section.virtual_size == 0
                                   ? section.raw_size
                                   : std::min(section.raw_size, section.virtual_size);
    std::memcpy(image + section.rva, file.data() + section.raw_offset, size);
  }
}

void Relocate(const PeHeaders& headers, GuestMemory& memory, GuestAddress base) {
  const std::uint32_t delta = base - headers.preferred_base;
  if (delta == 0) return;
  const PeDirectory directory = headers.Directory(kRelocationDirectory);
  if (headers.relocations_stripped || directory.rva == 0) {
    throw GuestError("the image cannot move from its preferred base " + Hex(headers.preferred_base) +
                     ": it has no relocations");
  }
  GuestAddress block = base + directory.rva;
  const GuestAddress end = block + directory.size;
  while (block + 8 <= end) {
    const std::uint32_t page = memory.Read32(block);
    const std::uint32_t size = memory.Read32(block + 4);
    if (size < 8 || block + size > end) throw GuestError("a relocation block overruns its table");
    for (std::uint32_t at = 8; at + 2 <= size; at += 2) {
      const std::uint16_t entry = memory.Read16(block + at);
      const std::uint16_t type = entry >> 12;
      const GuestAddress target = base + page + (entry & 0x0FFFu);
      if (type == kRelocationAbsolute) continue;
      if (type != kRelocationHighLow) throw GuestError("relocation type " + std::to_string(type) + " unknown");
      if (target - base + 4 > headers.image_size) throw GuestError("a relocation outside the image");
      memory.Write32(target, memory.Read32(target) + delta);
    }
    block += size;
  }
}

std::vector<PeImport> ReadImports(const PeHeaders& headers, const GuestMemory& memory,
                                  GuestAddress base) {
  std::vector<PeImport> imports;
  const PeDirectory directory = headers.Directory(kImportDirectory);
  if (directory.rva == 0) return imports;
  for (GuestAddress descriptor = base + directory.rva;; descriptor += 20) {
    const std::uint32_t lookup = memory.Read32(descriptor);
    const std::uint32_t name = memory.Read32(descriptor + 12);
    const std::uint32_t slots = memory.Read32(descriptor + 16);
    if (name == 0 && slots == 0) break;
    const std::string dll = memory.ReadString(base + name, 256);
    const GuestAddress names = base + (lookup != 0 ? lookup : slots);
    for (std::uint32_t i = 0;; ++i) {
      const std::uint32_t entry = memory.Read32(names + 4 * i);
      if (entry == 0) break;
      PeImport import;
      import.dll = dll;
      import.slot = base + slots + 4 * i;
      if (entry & kOrdinalFlag) {
        import.ordinal = static_cast<std::uint16_t>(entry & 0xFFFF);
      } else {
        import.name = memory.ReadString(base + entry + 2, 256);  // after the hint
      }
      imports.push_back(import);
    }
  }
  return imports;
}

GuestAddress FindExport(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base,
                        const std::string& name) {
  const PeDirectory directory = headers.Directory(kExportDirectory);
  if (directory.rva == 0) return 0;
  const GuestAddress table = base + directory.rva;
  const std::uint32_t function_count = memory.Read32(table + 20);
  const std::uint32_t name_count = memory.Read32(table + 24);
  const GuestAddress functions = base + memory.Read32(table + 28);
  const GuestAddress names = base + memory.Read32(table + 32);
  const GuestAddress ordinals = base + memory.Read32(table + 36);
  for (std::uint32_t i = 0; i < name_count; ++i) {
    if (memory.ReadString(base + memory.Read32(names + 4 * i), 256) != name) continue;
    const std::uint16_t index = memory.Read16(ordinals + 2 * i);
    if (index >= function_count) return 0;
    return base + memory.Read32(functions + 4u * index);
  }
  return 0;
}

PeTls ReadTls(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base) {
  PeTls tls;
  const PeDirectory directory = headers.Directory(kTlsDirectory);
  if (directory.rva == 0) return tls;
  // The directory holds addresses, relocated like any other.
  const GuestAddress at = base + directory.rva;
  tls.template_start = memory.Read32(at);
  tls.template_end = memory.Read32(at + 4);
  tls.index_slot = memory.Read32(at + 8);
  const GuestAddress callbacks = memory.Read32(at + 12);
  tls.zero_fill = memory.Read32(at + 16);
  if (tls.template_end < tls.template_start) throw GuestError("TLS template ends before it starts");
  for (GuestAddress entry = callbacks; entry != 0; entry += 4) {
    const GuestAddress callback = memory.Read32(entry);
    if (callback == 0) break;
    tls.callbacks.push_back(callback);
  }
  return tls;
}

namespace {

// The entry for `id` in the resource directory at `directory`: its offset
// from the section's root with the subdirectory bit, or 0.
std::uint32_t FindResourceEntry(const GuestMemory& memory, GuestAddress directory, std::uint32_t id,
                                bool any) {
  const std::uint16_t named = memory.Read16(directory + 12);
  const std::uint16_t numbered = memory.Read16(directory + 14);
  for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(named) + numbered; ++i) {
    const GuestAddress entry = directory + 16 + 8 * i;
    const std::uint32_t key = memory.Read32(entry);
    if ((key & kResourceNamed) != 0 && !any) continue;
    if (any || key == id) return memory.Read32(entry + 4);
  }
  return 0;
}

}  // namespace

PeResource FindResource(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base,
                        std::uint32_t type, std::uint32_t id) {
  const PeDirectory directory = headers.Directory(kResourceDirectory);
  if (directory.rva == 0) return {};
  const GuestAddress root = base + directory.rva;
  const std::uint32_t by_type = FindResourceEntry(memory, root, type, false);
  if ((by_type & kResourceSubdirectory) == 0) return {};
  const std::uint32_t by_id =
      FindResourceEntry(memory, root + (by_type & ~kResourceSubdirectory), id, false);
  if ((by_id & kResourceSubdirectory) == 0) return {};
  const std::uint32_t by_language =
      FindResourceEntry(memory, root + (by_id & ~kResourceSubdirectory), 0, true);
  if (by_language == 0 || (by_language & kResourceSubdirectory) != 0) return {};
  const GuestAddress entry = root + by_language;
  return {base + memory.Read32(entry), memory.Read32(entry + 4)};
}

}  // namespace varnok::host::pe32
