// A small PE32 DLL for i386, built byte by byte, for tests of the loader that
// need no cross compiler: headers, a code, a data and a read-only section,
// one import, one export, relocations, TLS on request. Its layout is fixed
// (the offsets below), so that a test can damage one field and know which.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace varnok::testing {

struct PeShape {
  std::uint32_t preferred_base = 0x10000000u;
  bool relocations = true;
  bool stripped = false;  // marked as unable to move
  bool tls = false;
  // The entry routine's code, at the start of .text; none when empty.
  std::vector<std::uint8_t> entry;
  std::string import_dll = "KERNEL32.dll";
  std::string import_name = "GetLastError";
  // Dialog 101 with one button, and its menu 103 whose pop-ups nest this
  // deep; no resources when 0.
  int menu_depth = 0;
};

// Where things lie, in the file and in the image.
struct PeLayout {
  static constexpr std::size_t kCoff = 0x44;       // after the PE signature at 0x40
  static constexpr std::size_t kOptional = 0x58;
  static constexpr std::size_t kSections = 0x138;  // four, 40 bytes each
  static constexpr std::size_t kDirectories = kOptional + 96;
  static constexpr std::uint32_t kImageSize = 0x5000;
  static constexpr std::uint32_t kText = 0x1000, kData = 0x2000, kReadOnly = 0x3000, kReloc = 0x4000;
  static constexpr std::uint32_t kImports = kReadOnly, kExports = kReadOnly + 0x100, kTls = kReadOnly + 0x180;
  static constexpr std::uint32_t kResources = kReloc + 0x100;  // to the image's end
  // File offset of an address in a section.
  static std::size_t File(std::uint32_t rva) { return 0x400 + (rva / 0x1000 - 1) * 0x200 + rva % 0x1000; }
};

inline void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  std::memcpy(bytes.data() + at, &value, 2);
}
inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}
inline void PutText(std::vector<std::uint8_t>& bytes, std::size_t at, const std::string& text) {
  std::memcpy(bytes.data() + at, text.c_str(), text.size() + 1);
}

inline void PutWords(std::vector<std::uint8_t>& bytes, std::size_t& at, std::initializer_list<std::uint16_t> words) {
  for (std::uint16_t word : words) {
    Put16(bytes, at, word);
    at += 2;
  }
}

// A resource tree of one entry per level (type, id, language) for each of the
// dialog and the menu, then their data.
inline void PutDialogAndMenu(std::vector<std::uint8_t>& f, int menu_depth) {
  using L = PeLayout;
  const std::uint32_t root = L::kResources;
  const std::uint32_t menu_data = root + 0x100;
  const std::size_t end = L::File(menu_data) + 4 + 4u * static_cast<std::size_t>(menu_depth) + 16;
  if (f.size() < end) f.resize(end);
  const std::uint32_t types[] = {4, 5}, ids[] = {103, 101};
  Put16(f, L::File(root) + 14, 2);
  for (std::uint32_t i = 0; i < 2; ++i) {
    const std::uint32_t by_id = 0x20 + 0x30 * i, by_language = by_id + 0x18, entry = 0x80 + 0x10 * i;
    Put32(f, L::File(root) + 16 + 8 * i, types[i]);
    Put32(f, L::File(root) + 20 + 8 * i, 0x80000000u | by_id);
    Put16(f, L::File(root + by_id) + 14, 1);
    Put32(f, L::File(root + by_id) + 16, ids[i]);
    Put32(f, L::File(root + by_id) + 20, 0x80000000u | by_language);
    Put16(f, L::File(root + by_language) + 14, 1);
    Put32(f, L::File(root + by_language) + 16, 0x409);
    Put32(f, L::File(root + by_language) + 20, entry);
  }
  // Dialog: style with a font, no extended style, one control, menu 103.
  const std::uint32_t dialog = root + 0xA0;
  std::size_t at = L::File(dialog);
  Put32(f, at, 0x80C800C0u), at += 8;
  PutWords(f, at, {1, 0, 0, 100, 50, 0xFFFF, 103, 0, 'A', 0, 8, 'F', 0, 0});  // to a double word
  Put32(f, at, 0x50010000u), at += 8;
  PutWords(f, at, {5, 5, 40, 14, 1, 0xFFFF, 0x0080, 'B', 0, 0});
  Put32(f, L::File(root + 0x90), dialog);
  Put32(f, L::File(root + 0x94), static_cast<std::uint32_t>(at - L::File(dialog)));
  // Menu: version, offset, then a pop-up in a pop-up ... and one item.
  at = L::File(menu_data) + 4;
  for (int level = 0; level < menu_depth; ++level) PutWords(f, at, {0x90, 0});  // MF_POPUP | MF_END, ""
  PutWords(f, at, {0x80, 40001, 'I', 0});
  Put32(f, L::File(root + 0x80), menu_data);
  Put32(f, L::File(root + 0x84), static_cast<std::uint32_t>(at - L::File(menu_data)));
  Put32(f, L::kDirectories + 16, root);
  Put32(f, L::kDirectories + 20, 0x100);
}

inline std::vector<std::uint8_t> BuildPe(const PeShape& shape) {
  using L = PeLayout;
  std::vector<std::uint8_t> f(0xC00, 0);
  f[0] = 'M';
  f[1] = 'Z';
  Put32(f, 0x3C, 0x40);
  Put32(f, 0x40, 0x00004550u);  // "PE\0\0"
  Put16(f, L::kCoff, 0x014C);
  Put16(f, L::kCoff + 2, 4);
  Put16(f, L::kCoff + 16, 0xE0);
  Put16(f, L::kCoff + 18, static_cast<std::uint16_t>(0x2102 | (shape.stripped ? 1 : 0)));
  Put16(f, L::kOptional, 0x010B);
  Put32(f, L::kOptional + 16, shape.entry.empty() ? 0 : L::kText);
  Put32(f, L::kOptional + 28, shape.preferred_base);
  Put32(f, L::kOptional + 32, 0x1000);
  Put32(f, L::kOptional + 36, 0x200);
  Put32(f, L::kOptional + 56, L::kImageSize);
  Put32(f, L::kOptional + 60, 0x400);
  Put32(f, L::kOptional + 92, 16);
  auto directory = [&](int index, std::uint32_t rva, std::uint32_t size) {
    Put32(f, L::kDirectories + 8 * index, rva);
    Put32(f, L::kDirectories + 8 * index + 4, size);
  };
  const struct {
    const char* name;
    std::uint32_t rva;
    std::uint32_t characteristics;
  } sections[] = {{".text", L::kText, 0x60000020u},
                  {".data", L::kData, 0xC0000040u},
                  {".rdata", L::kReadOnly, 0x40000040u},
                  {".reloc", L::kReloc, 0x42000040u}};
  for (int i = 0; i < 4; ++i) {
    const std::size_t at = L::kSections + 40u * static_cast<std::size_t>(i);
    std::memcpy(f.data() + at, sections[i].name, std::strlen(sections[i].name));
    Put32(f, at + 8, 0x200);
    Put32(f, at + 12, sections[i].rva);
    Put32(f, at + 16, 0x200);
    Put32(f, at + 20, static_cast<std::uint32_t>(L::File(sections[i].rva)));
    Put32(f, at + 36, sections[i].characteristics);
  }
  std::copy(shape.entry.begin(), shape.entry.end(), f.begin() + static_cast<std::ptrdiff_t>(L::File(L::kText)));
  Put32(f, L::File(L::kData), shape.preferred_base + L::kText);  // a pointer to relocate

  // One import: descriptor, lookup table, address table, names.
  Put32(f, L::File(L::kImports), L::kImports + 0x40);
  Put32(f, L::File(L::kImports) + 12, L::kImports + 0x60);
  Put32(f, L::File(L::kImports) + 16, L::kImports + 0x50);
  Put32(f, L::File(L::kImports + 0x40), L::kImports + 0x80);
  Put32(f, L::File(L::kImports + 0x50), L::kImports + 0x80);
  PutText(f, L::File(L::kImports + 0x60), shape.import_dll);
  PutText(f, L::File(L::kImports + 0x82), shape.import_name);
  directory(1, L::kImports, 40);

  // One export, "GetInfo", at the start of .text.
  Put32(f, L::File(L::kExports) + 20, 1);
  Put32(f, L::File(L::kExports) + 24, 1);
  Put32(f, L::File(L::kExports) + 28, L::kExports + 0x40);
  Put32(f, L::File(L::kExports) + 32, L::kExports + 0x44);
  Put32(f, L::File(L::kExports) + 36, L::kExports + 0x48);
  Put32(f, L::File(L::kExports + 0x40), L::kText);
  Put32(f, L::File(L::kExports + 0x44), L::kExports + 0x50);
  PutText(f, L::File(L::kExports + 0x50), "GetInfo");
  directory(0, L::kExports, 0x60);

  // TLS: a 16-byte template in .data, its index after it, no callbacks.
  if (shape.tls) {
    Put32(f, L::File(L::kTls), shape.preferred_base + L::kData + 0x100);
    Put32(f, L::File(L::kTls) + 4, shape.preferred_base + L::kData + 0x110);
    Put32(f, L::File(L::kTls) + 8, shape.preferred_base + L::kData + 0x120);
    directory(9, L::kTls, 24);
  }
  if (shape.relocations) {
    // Block for .data, then one for .rdata's TLS addresses; HIGHLOW entries.
    std::size_t at = L::File(L::kReloc);
    Put32(f, at, L::kData);
    Put32(f, at + 4, 12);
    Put16(f, at + 8, 0x3000);
    at += 12;
    if (shape.tls) {
      Put32(f, at, L::kReadOnly);
      Put32(f, at + 4, 16);
      for (std::uint16_t i = 0; i < 3; ++i) Put16(f, at + 8 + 2 * i, static_cast<std::uint16_t>(0x3000 | (0x180 + 4 * i)));
      at += 16;
    }
    directory(5, L::kReloc, static_cast<std::uint32_t>(at - L::File(L::kReloc)));
  }
  if (shape.menu_depth > 0) {
    // The last section grows to hold the menu.
    const std::uint32_t size = static_cast<std::uint32_t>(0x400 + 4u * static_cast<std::uint32_t>(shape.menu_depth));
    const std::uint32_t rounded = (size + 0xFFF) & ~0xFFFu;
    Put32(f, L::kSections + 3 * 40 + 8, rounded);
    Put32(f, L::kSections + 3 * 40 + 16, rounded);
    Put32(f, L::kOptional + 56, L::kReloc + rounded);
    f.resize(L::File(L::kReloc) + rounded);
    PutDialogAndMenu(f, shape.menu_depth);
  }
  return f;
}

}  // namespace varnok::testing
