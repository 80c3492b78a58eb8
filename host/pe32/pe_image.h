// A PE32 image for i386: its headers as read from the file, and the tables
// of the image once it is placed in guest memory. The file is untrusted: every
// offset in it is checked against the file or the image before use.
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
  // False when the image can load at its preferred base only: marked so, or
  // without a relocation table.
  bool Relocatable() const {
    return !relocations_stripped && Directory(kRelocationDirectory).rva != 0 &&
           Directory(kRelocationDirectory).size != 0;
  }
};

// True when `file` starts like a PE image (the MZ and PE signatures), for
// any processor: ReadHeaders says which.
bool LooksLikePe(const std::vector<std::uint8_t>& file);

// Throws GuestError saying what is wrong: not PE32, not i386 (a 64-bit
// image by name), not a DLL, a section outside the file or the image.
PeHeaders ReadHeaders(const std::vector<std::uint8_t>& file);

// An image's place in guest memory, read and written only within it: an
// offset that leads outside throws GuestError naming what it was for.
class PlacedImage {
 public:
  PlacedImage(const GuestMemory& memory, GuestAddress base, std::uint32_t size)
      : memory_(memory), base_(base), size_(size) {}

  GuestAddress Base() const { return base_; }
  bool Holds(std::uint32_t rva, std::uint32_t length) const {
    return rva <= size_ && size_ - rva >= length;
  }
  std::uint8_t* Bytes(std::uint32_t rva, std::uint32_t length, const char* what) const;
  std::uint32_t Read32(std::uint32_t rva, const char* what) const;
  std::uint16_t Read16(std::uint32_t rva, const char* what) const;
  void Write32(std::uint32_t rva, std::uint32_t value, const char* what) const;
  // A NUL-terminated text of at most `limit` bytes.
  std::string ReadString(std::uint32_t rva, std::size_t limit, const char* what) const;
  // The RVA of an address the image holds, for `length` bytes there.
  std::uint32_t RvaOf(GuestAddress address, std::uint32_t length, const char* what) const;

 private:
  const GuestMemory& memory_;
  GuestAddress base_;
  std::uint32_t size_;
};

// Copies the headers and sections in and zeroes the rest of the image.
void PlaceImage(const std::vector<std::uint8_t>& file, const PeHeaders& headers, const PlacedImage& image);
// Applies the base relocations for a load at the image's base.
void Relocate(const PeHeaders& headers, const PlacedImage& image);

struct PeImport {
  std::string dll;
  std::string name;  // empty when imported by ordinal
  std::uint16_t ordinal = 0;
  std::uint32_t slot_rva;  // the import address table entry to fill
};
std::vector<PeImport> ReadImports(const PeHeaders& headers, const PlacedImage& image);

// The exported function `name`, or 0.
GuestAddress FindExport(const PeHeaders& headers, const PlacedImage& image, const std::string& name);

struct PeTls {
  GuestAddress template_start = 0, template_end = 0;  // within the image
  GuestAddress index_slot = 0;                        // within the image; 0: no TLS
  std::uint32_t zero_fill = 0;
  std::vector<GuestAddress> callbacks;
  std::uint32_t BlockSize() const { return template_end - template_start + zero_fill; }
};
// Absent TLS directory: all zero and no callbacks.
PeTls ReadTls(const PeHeaders& headers, const PlacedImage& image);

struct PeResource {
  GuestAddress data = 0;  // 0: not found; else within the image
  std::uint32_t size = 0;
};
// The first language of resource `id` of `type`, both numeric.
PeResource FindResource(const PeHeaders& headers, const PlacedImage& image, std::uint32_t type,
                        std::uint32_t id);

}  // namespace varnok::host::pe32
