#include "host/pe32/guest_heap.h"

#include <iterator>

namespace varnok::host::pe32 {

GuestHeap::GuestHeap(Area area) { free_[area.start] = area.size; }

GuestAddress GuestHeap::Allocate(std::uint32_t size) {
  const std::uint64_t serial = allocations_++;
  if (policy_ && !policy_(size, serial)) return 0;
  const std::uint64_t rounded = (static_cast<std::uint64_t>(size == 0 ? 1 : size) + kAlignment - 1) &
                                ~static_cast<std::uint64_t>(kAlignment - 1);
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->second < rounded) continue;
    const GuestAddress block = it->first;
    const std::uint32_t left = it->second - static_cast<std::uint32_t>(rounded);
    free_.erase(it);
    if (left > 0) free_[block + static_cast<std::uint32_t>(rounded)] = left;
    live_[block] = static_cast<std::uint32_t>(rounded);
    return block;
  }
  return 0;
}

bool GuestHeap::Release(GuestAddress block) {
  const auto found = live_.find(block);
  if (found == live_.end()) return false;
  GuestAddress start = block;
  std::uint32_t size = found->second;
  live_.erase(found);
  auto next = free_.lower_bound(start);
  if (next != free_.end() && next->first == start + size) {
    size += next->second;
    next = free_.erase(next);
  }
  if (next != free_.begin()) {
    auto before = std::prev(next);
    if (before->first + before->second == start) {
      start = before->first;
      size += before->second;
      free_.erase(before);
    }
  }
  free_[start] = size;
  return true;
}

std::int64_t GuestHeap::SizeOf(GuestAddress block) const {
  const auto found = live_.find(block);
  return found == live_.end() ? -1 : found->second;
}

}  // namespace varnok::host::pe32
