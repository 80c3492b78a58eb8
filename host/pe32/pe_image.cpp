#include "host/pe32/pe_image.h"

#include <algorithm>
#include <cstring>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineArm64 = 0xAA64;
constexpr std::uint16_t kOptionalMagicPe32 = 0x010B;
constexpr std::uint16_t kOptionalMagicPe32Plus = 0x020B;
constexpr std::uint16_t kCharacteristicDll = 0x2000;
constexpr std::uint16_t kCharacteristicRelocsStripped = 0x0001;
constexpr std::uint16_t kRelocationAbsolute = 0;
constexpr std::uint16_t kRelocationHighLow = 3;
constexpr std::uint32_t kOrdinalFlag = 0x80000000u;
constexpr std::uint32_t kResourceSubdirectory = 0x80000000u;
constexpr std::uint32_t kResourceNamed = 0x80000000u;
// Fields the loader reads, up to the first data directory, and each directory.
constexpr std::uint16_t kOptionalFields = 96;
constexpr std::uint32_t kDirectoryBytes = 8;
constexpr std::uint32_t kMostDirectories = 16;
constexpr std::uint32_t kLargestImage = 0x04000000u;
// More thread-local data than any plug-in needs would only fill the host's area.
constexpr std::uint32_t kLargestTlsBlock = 0x00100000u;

std::uint16_t U16(const std::vector<std::uint8_t>& file, std::size_t at) {
  if (at > file.size() || file.size() - at < 2) throw GuestError("the file ends inside its headers");
  std::uint16_t value;
  std::memcpy(&value, file.data() + at, 2);
  return value;
}

std::uint32_t U32(const std::vector<std::uint8_t>& file, std::size_t at) {
  if (at > file.size() || file.size() - at < 4) throw GuestError("the file ends inside its headers");
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

// Refuses what the emulator cannot run, naming a 64-bit image as such: a user
// who built the wrong target needs to hear that first.
void RequireI386(std::uint16_t machine) {
  if (machine == kMachineAmd64 || machine == kMachineArm64) {
    throw GuestError(std::string("a 64-bit DLL (") + (machine == kMachineAmd64 ? "x86-64" : "ARM64") +
                     "): the emulator runs 32-bit (i386) DLLs only");
  }
  if (machine != kMachineI386) throw GuestError("machine type " + Hex(machine) + ", not i386");
}

}  // namespace

bool LooksLikePe(const std::vector<std::uint8_t>& file) {
  try {
    PeOffset(file);
    return true;
  } catch (const GuestError&) {
    return false;
  }
}

PeHeaders ReadHeaders(const std::vector<std::uint8_t>& file) {
  const std::size_t pe = PeOffset(file);
  RequireI386(U16(file, pe + 4));
  const std::uint16_t section_count = U16(file, pe + 6);
  const std::uint16_t optional_size = U16(file, pe + 20);
  const std::uint16_t characteristics = U16(file, pe + 22);
  if ((characteristics & kCharacteristicDll) == 0) throw GuestError("not a DLL");
  const std::size_t optional = pe + 24;
  const std::uint16_t magic = U16(file, optional);
  if (magic == kOptionalMagicPe32Plus) throw GuestError("a PE32+ (64-bit) image: the emulator runs 32-bit DLLs only");
  if (magic != kOptionalMagicPe32) throw GuestError("not a PE32 image");
  if (optional_size < kOptionalFields) {
    throw GuestError("optional header of " + std::to_string(optional_size) + " bytes, too short for its fields");
  }

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
  if (headers.image_size == 0 || headers.image_size > kLargestImage) {
    throw GuestError("image size " + Hex(headers.image_size) + " out of range");
  }
  if (headers.headers_size > headers.image_size) {
    throw GuestError("headers of " + Hex(headers.headers_size) + " bytes, more than the image holds");
  }
  const std::uint32_t directory_count =
      std::min({U32(file, optional + 92), kMostDirectories,
                static_cast<std::uint32_t>((optional_size - kOptionalFields) / kDirectoryBytes)});
  for (std::uint32_t i = 0; i < directory_count; ++i) {
    headers.directories.push_back({U32(file, optional + kOptionalFields + kDirectoryBytes * i),
                                   U32(file, optional + kOptionalFields + 4 + kDirectoryBytes * i)});
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

std::uint8_t* PlacedImage::Bytes(std::uint32_t rva, std::uint32_t length, const char* what) const {
  if (!Holds(rva, length)) throw GuestError(std::string(what) + " at " + Hex(rva) + " lies outside the image");
  return memory_.Backing(base_ + rva, length);
}

std::uint32_t PlacedImage::Read32(std::uint32_t rva, const char* what) const {
  std::uint32_t value;
  std::memcpy(&value, Bytes(rva, 4, what), 4);
  return value;
}

std::uint16_t PlacedImage::Read16(std::uint32_t rva, const char* what) const {
  std::uint16_t value;
  std::memcpy(&value, Bytes(rva, 2, what), 2);
  return value;
}

void PlacedImage::Write32(std::uint32_t rva, std::uint32_t value, const char* what) const {
  std::memcpy(Bytes(rva, 4, what), &value, 4);
}

std::string PlacedImage::ReadString(std::uint32_t rva, std::size_t limit, const char* what) const {
  if (!Holds(rva, 1)) throw GuestError(std::string(what) + " at " + Hex(rva) + " lies outside the image");
  const std::uint32_t room = static_cast<std::uint32_t>(std::min<std::size_t>(limit, size_ - rva));
  const auto* text = reinterpret_cast<const char*>(Bytes(rva, room, what));
  const std::size_t length = strnlen(text, room);
  if (length == room) {
    throw GuestError(std::string(what) + " at " + Hex(rva) + " has no end within " +
                     std::to_string(room) + " bytes");
  }
  return std::string(text, length);
}

std::uint32_t PlacedImage::RvaOf(GuestAddress address, std::uint32_t length, const char* what) const {
  const std::uint32_t rva = address - base_;
  if (address < base_ || !Holds(rva, length)) {
    throw GuestError(std::string(what) + " at " + Hex(address) + " lies outside the image");
  }
  return rva;
}

void PlaceImage(const std::vector<std::uint8_t>& file, const PeHeaders& headers, const PlacedImage& image) {
  std::uint8_t* bytes = image.Bytes(0, headers.image_size, "the image");
  std::memset(bytes, 0, headers.image_size);
  std::memcpy(bytes, file.data(), std::min<std::size_t>(headers.headers_size, file.size()));
  for (const PeSection& section : headers.sections) {
    const std::uint32_t size = section.virtual_size == 0
                                   ? section.raw_size
                                   : std::min(section.raw_size, section.virtual_size);
    std::memcpy(bytes + section.rva, file.data() + section.raw_offset, size);
  }
}

void Relocate(const PeHeaders& headers, const PlacedImage& image) {
  const std::uint32_t delta = image.Base() - headers.preferred_base;
  if (delta == 0) return;
  if (!headers.Relocatable()) {
    throw GuestError("the image cannot move from its preferred base " + Hex(headers.preferred_base) +
                     ": it has no relocations");
  }
  const PeDirectory directory = headers.Directory(kRelocationDirectory);
  if (!image.Holds(directory.rva, directory.size)) {
    throw GuestError("the relocation table at " + Hex(directory.rva) + " lies outside the image");
  }
  const std::uint32_t end = directory.rva + directory.size;
  for (std::uint32_t block = directory.rva; end - block >= 8;) {
    const std::uint32_t page = image.Read32(block, "a relocation block");
    const std::uint32_t size = image.Read32(block + 4, "a relocation block");
    if (size < 8 || size > end - block) throw GuestError("a relocation block overruns its table");
    for (std::uint32_t at = 8; at + 2 <= size; at += 2) {
      const std::uint16_t entry = image.Read16(block + at, "a relocation");
      const std::uint16_t type = entry >> 12;
      if (type == kRelocationAbsolute) continue;
      if (type != kRelocationHighLow) throw GuestError("relocation type " + std::to_string(type) + " unknown");
      const std::uint32_t target = page + (entry & 0x0FFFu);
      if (!image.Holds(target, 4)) throw GuestError("a relocation outside the image");
      image.Write32(target, image.Read32(target, "a relocation") + delta, "a relocation");
    }
    block += size;
  }
}

std::vector<PeImport> ReadImports(const PeHeaders& headers, const PlacedImage& image) {
  std::vector<PeImport> imports;
  const PeDirectory directory = headers.Directory(kImportDirectory);
  if (directory.rva == 0) return imports;
  for (std::uint32_t descriptor = directory.rva;; descriptor += 20) {
    const std::uint32_t lookup = image.Read32(descriptor, "the import table");
    const std::uint32_t name = image.Read32(descriptor + 12, "the import table");
    const std::uint32_t slots = image.Read32(descriptor + 16, "the import table");
    if (name == 0 && slots == 0) break;
    const std::string dll = image.ReadString(name, 256, "an imported DLL's name");
    const std::uint32_t names = lookup != 0 ? lookup : slots;
    for (std::uint32_t i = 0;; ++i) {
      const std::uint32_t entry = image.Read32(names + 4 * i, "an import lookup table");
      if (entry == 0) break;
      PeImport import;
      import.dll = dll;
      import.slot_rva = slots + 4 * i;
      image.Bytes(import.slot_rva, 4, "an import address table");
      if (entry & kOrdinalFlag) {
        import.ordinal = static_cast<std::uint16_t>(entry & 0xFFFF);
      } else {
        import.name = image.ReadString(entry + 2, 256, "an imported function's name");  // after the hint
      }
      imports.push_back(import);
    }
  }
  return imports;
}

GuestAddress FindExport(const PeHeaders& headers, const PlacedImage& image, const std::string& name) {
  const PeDirectory directory = headers.Directory(kExportDirectory);
  if (directory.rva == 0) return 0;
  const std::uint32_t table = directory.rva;
  const std::uint32_t function_count = image.Read32(table + 20, "the export table");
  const std::uint32_t name_count = image.Read32(table + 24, "the export table");
  const std::uint32_t functions = image.Read32(table + 28, "the export table");
  const std::uint32_t names = image.Read32(table + 32, "the export table");
  const std::uint32_t ordinals = image.Read32(table + 36, "the export table");
  for (std::uint32_t i = 0; i < name_count; ++i) {
    const std::uint32_t at = image.Read32(names + 4 * i, "the export name table");
    if (image.ReadString(at, 256, "an exported name") != name) continue;
    const std::uint16_t index = image.Read16(ordinals + 2 * i, "the export ordinal table");
    if (index >= function_count) return 0;
    return image.Base() + image.Read32(functions + 4u * index, "the export address table");
  }
  return 0;
}

PeTls ReadTls(const PeHeaders& headers, const PlacedImage& image) {
  PeTls tls;
  const PeDirectory directory = headers.Directory(kTlsDirectory);
  if (directory.rva == 0) return tls;
  // The directory holds addresses, relocated like any other.
  const std::uint32_t at = directory.rva;
  tls.template_start = image.Read32(at, "the TLS directory");
  tls.template_end = image.Read32(at + 4, "the TLS directory");
  tls.index_slot = image.Read32(at + 8, "the TLS directory");
  const GuestAddress callbacks = image.Read32(at + 12, "the TLS directory");
  tls.zero_fill = image.Read32(at + 16, "the TLS directory");
  if (tls.template_end < tls.template_start) throw GuestError("TLS template ends before it starts");
  image.RvaOf(tls.template_start, tls.template_end - tls.template_start, "the TLS template");
  image.RvaOf(tls.index_slot, 4, "the TLS index");
  if (tls.zero_fill > kLargestTlsBlock || tls.BlockSize() > kLargestTlsBlock) {
    throw GuestError("TLS block of more than " + Hex(kLargestTlsBlock) + " bytes");
  }
  if (callbacks == 0) return tls;
  for (std::uint32_t entry = image.RvaOf(callbacks, 4, "the TLS callbacks");; entry += 4) {
    const GuestAddress callback = image.Read32(entry, "the TLS callbacks");
    if (callback == 0) break;
    tls.callbacks.push_back(callback);
  }
  return tls;
}

namespace {

// The entry for `id` in the resource directory at `directory`: its offset
// from the section's root with the subdirectory bit, or 0.
std::uint32_t FindResourceEntry(const PlacedImage& image, std::uint32_t directory, std::uint32_t id,
                                bool any) {
  const std::uint16_t named = image.Read16(directory + 12, "a resource directory");
  const std::uint16_t numbered = image.Read16(directory + 14, "a resource directory");
  for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(named) + numbered; ++i) {
    const std::uint32_t entry = directory + 16 + 8 * i;
    const std::uint32_t key = image.Read32(entry, "a resource directory entry");
    if ((key & kResourceNamed) != 0 && !any) continue;
    if (any || key == id) return image.Read32(entry + 4, "a resource directory entry");
  }
  return 0;
}

}  // namespace

PeResource FindResource(const PeHeaders& headers, const PlacedImage& image, std::uint32_t type,
                        std::uint32_t id) {
  const PeDirectory directory = headers.Directory(kResourceDirectory);
  if (directory.rva == 0) return {};
  const std::uint32_t root = directory.rva;
  const std::uint32_t by_type = FindResourceEntry(image, root, type, false);
  if ((by_type & kResourceSubdirectory) == 0) return {};
  const std::uint32_t by_id = FindResourceEntry(image, root + (by_type & ~kResourceSubdirectory), id, false);
  if ((by_id & kResourceSubdirectory) == 0) return {};
  const std::uint32_t by_language =
      FindResourceEntry(image, root + (by_id & ~kResourceSubdirectory), 0, true);
  if (by_language == 0 || (by_language & kResourceSubdirectory) != 0) return {};
  const std::uint32_t entry = root + by_language;
  const std::uint32_t data = image.Read32(entry, "a resource data entry");
  const std::uint32_t size = image.Read32(entry + 4, "a resource data entry");
  image.Bytes(data, size, "a resource's data");
  return {image.Base() + data, size};
}

}  // namespace varnok::host::pe32
