// A bounded queue from one producer thread to one consumer thread, with no
// lock and no allocation after construction: what the audio side hands to the
// user-interface side.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace varnok::host::live {

template <typename Item, std::size_t kCapacity>
class SingleProducerQueue final {
  static_assert((kCapacity & (kCapacity - 1)) == 0, "a power of two");

 public:
  // [producer] False when the queue is full: the producer never waits.
  bool Push(const Item& item) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
    items_[tail & (kCapacity - 1)] = item;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // [consumer] The oldest item, if any.
  bool Pop(Item& item) noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    item = items_[head & (kCapacity - 1)];
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

 private:
  std::array<Item, kCapacity> items_{};
  std::atomic<std::size_t> head_{0};  // written by the consumer only
  std::atomic<std::size_t> tail_{0};  // written by the producer only
  // One side is the audio side.
  static_assert(std::atomic<std::size_t>::is_always_lock_free, "a queue end must not lock");
};

}  // namespace varnok::host::live
