// Where things live in the emulated address space. Every area lies inside
// GuestMemory's backed range; the gaps between them are left unmapped, so a
// stray pointer faults instead of landing somewhere.
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
};

// Entries into the host (import functions, host object slots) and the return
// addresses that end a call: read and execute only.
inline constexpr Area kThunkArea = {0x10000000u, 0x00010000u};
// Segment table, thread and process blocks, the runtime's data.
inline constexpr Area kSystemArea = {0x10010000u, 0x00030000u};
// The one thread's stack; the page below it stays unmapped.
inline constexpr Area kStackArea = {0x10100000u, 0x00100000u};
// What the host lends the machines: its objects, tables, buffers and texts.
inline constexpr Area kHostArea = {0x10400000u, 0x00c00000u};
// Views of shared memory, backed by the host's own mapping rather than the block.
inline constexpr Area kViewArea = {GuestMemory::kForeignStart,
                                   GuestMemory::kForeignPages * GuestMemory::kPage};
// The C runtime's heap.
inline constexpr Area kHeapArea = {0x12000000u, 0x06000000u};
// Loaded images, each at a base of its own, never its preferred one.
inline constexpr Area kImageArea = {0x18000000u, 0x08000000u};

static_assert(kImageArea.End() == GuestMemory::kBase + GuestMemory::kSize, "areas fit the block");

}  // namespace varnok::host::pe32
