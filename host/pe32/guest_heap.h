// The C runtime's heap as the emulated machines see it: blocks in guest
// memory, counted, and refused on request so that out-of-memory paths can be
// driven.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "host/pe32/address_map.h"

namespace varnok::host::pe32 {

class GuestHeap final {
 public:
  explicit GuestHeap(Area area);

  // Null (0) when the heap is full or the policy refuses.
  GuestAddress Allocate(std::uint32_t size);
  // False for an address that is no live block.
  bool Release(GuestAddress block);
  // The block's size, or -1 when `block` is no live block.
  std::int64_t SizeOf(GuestAddress block) const;

  std::size_t LiveBlocks() const { return live_.size(); }
  std::uint64_t Allocations() const { return allocations_; }

  // Asked before every allocation with its size and its serial number (from 0);
  // false refuses it. Empty: every allocation that fits succeeds.
  using Policy = std::function<bool(std::uint32_t size, std::uint64_t serial)>;
  void SetPolicy(Policy policy) { policy_ = std::move(policy); }

 private:
  static constexpr std::uint32_t kAlignment = 16;
  std::map<GuestAddress, std::uint32_t> free_;  // start -> size, never adjacent
  std::map<GuestAddress, std::uint32_t> live_;
  std::uint64_t allocations_ = 0;
  Policy policy_;
};

}  // namespace varnok::host::pe32
