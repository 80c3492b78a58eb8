// A PE32 image for i386: its headers as read from the file, and the tables
// of the image once it is placed in guest memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/pe32/guest_memory.h"

namespace varnok::host::pe32 {

struct PeSection {
  std::string name;
  std::uint32_t rva;
  std::uint32_t virtual_size;
  std::uint32_t raw_offset;
  std::uint32_t raw_size;
  std::uint32_t characteristics;
};

struct PeDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

enum PeDirectoryIndex { kExportDirectory = 0, kImportDirectory = 1, kResourceDirectory = 2,
                        kRelocationDirectory = 5, kTlsDirectory = 9 };

struct PeHeaders {
  std::uint32_t preferred_base;
  std::uint32_t image_size;
  std::uint32_t headers_size;
  std::uint32_t entry_rva;  // 0: no entry routine
  std::uint32_t section_alignment;
  bool relocations_stripped;
  std::vector<PeSection> sections;
  std::vector<PeDirectory> directories;

  PeDirectory Directory(int index) const {
    return index < static_cast<int>(directories.size()) ? directories[index] : PeDirectory{};
  }
};

// True when `file` starts like a PE image for i386 (the MZ and PE signatures
// and the machine field), whether or not the rest holds.
bool LooksLikePe32(const std::vector<std::uint8_t>& file);

// Throws GuestError saying what is wrong: not PE32, not i386, not a DLL, a
// section outside the file.
PeHeaders ReadHeaders(const std::vector<std::uint8_t>& file);

// Copies the headers and sections to `base` and zeroes the rest of the image.
void PlaceImage(const std::vector<std::uint8_t>& file, const PeHeaders& headers,
                GuestMemory& memory, GuestAddress base);
// Applies the base relocations for a load at `base`.
void Relocate(const PeHeaders& headers, GuestMemory& memory, GuestAddress base);

struct PeImport {
  std::string dll;
  std::string name;  // empty when imported by ordinal
  std::uint16_t ordinal = 0;
  GuestAddress slot;  // the import address table entry to fill
};
std::vector<PeImport> ReadImports(const PeHeaders& headers, const GuestMemory& memory,
                                  GuestAddress base);

// The exported function `name`, or 0.
GuestAddress FindExport(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base,
                        const std::string& name);

struct PeTls {
  GuestAddress template_start = 0, template_end = 0;
  GuestAddress index_slot = 0;
  std::uint32_t zero_fill = 0;
  std::vector<GuestAddress> callbacks;
};
// Absent TLS directory: all zero and no callbacks.
PeTls ReadTls(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base);

struct PeResource {
  GuestAddress data = 0;  // 0: not found
  std::uint32_t size = 0;
};
// The first language of resource `id` of `type`, both numeric.
PeResource FindResource(const PeHeaders& headers, const GuestMemory& memory, GuestAddress base,
                        std::uint32_t type, std::uint32_t id);

}  // namespace varnok::host::pe32
