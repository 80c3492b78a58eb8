// Where things live in the emulated address space. The emulator's own areas
// keep to the low addresses, where Windows keeps a process's stack and heap,
// so that the addresses DLLs prefer (0x10000000 and up) stay free. The gaps
// between the areas are left unmapped, so a stray pointer faults instead of
// landing somewhere.
#pragma once

#include "host/pe32/guest_memory.h"

namespace varnok::host::pe32 {

struct Area {
  GuestAddress start;
  std::uint32_t size;
  constexpr GuestAddress End() const { return start + size; }
  constexpr bool Holds(GuestAddress address, std::uint32_t length = 1) const {
    return address >= start && address - start <= size && size - (address - start) >= length;
  }
  constexpr bool Overlaps(GuestAddress address, std::uint32_t length) const {
    return address < End() && start < static_cast<std::uint64_t>(address) + length;
  }
};

// Entries into the host (import functions, host object slots) and the return
// addresses that end a call: read and execute only.
inline constexpr Area kThunkArea = {0x00100000u, 0x00010000u};
// Segment table, thread and process blocks, the runtime's data.
inline constexpr Area kSystemArea = {0x00110000u, 0x00030000u};
// The one thread's stack; the page below it stays unmapped.
inline constexpr Area kStackArea = {0x00200000u, 0x00100000u};
// What the host lends the machines: its objects, tables, buffers and texts.
inline constexpr Area kHostArea = {0x00400000u, 0x00c00000u};
// Views of shared memory, each page backed by the host's own mapping.
inline constexpr Area kViewArea = {0x01000000u, 0x00100000u};
// The C runtime's heap.
inline constexpr Area kHeapArea = {0x02000000u, 0x06000000u};
// Images that can be relocated, each at a base of its own, never its preferred one.
inline constexpr Area kImageArea = {0x08000000u, 0x08000000u};
inline constexpr Area kOwnAreas[] = {kThunkArea, kSystemArea, kStackArea, kHostArea, kViewArea, kHeapArea};

// Where Windows lets a 32-bit process place an image: above the first 64 kB,
// below the system's half of the address space.
inline constexpr Area kUserSpace = {0x00010000u, 0x7FFE0000u};

static_assert(kImageArea.End() == 0x10000000u, "images that cannot move may prefer 0x10000000");

}  // namespace varnok::host::pe32
