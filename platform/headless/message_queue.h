// A bounded queue of posted messages that any thread may post into without a
// lock or an allocation; one user-interface thread takes them out.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/dialog.h"

namespace varnok::platform::headless {

struct PostedMessage {
  std::uintptr_t window;
  unsigned message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

// Each cell's sequence number says whether it is free for the poster of a
// given position or full for the taker of it.
class MessageQueue final {
 public:
  static constexpr std::size_t kCapacity = 4096;  // a power of two

  MessageQueue() noexcept {
    for (std::size_t i = 0; i < kCapacity; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
  }

  // False when the queue is full, as a system queue refuses a post.
  bool Post(const PostedMessage& message) noexcept {
    std::size_t position = post_position_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & (kCapacity - 1)];
      const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const auto lag = static_cast<std::ptrdiff_t>(sequence - position);
      if (lag == 0) {
        if (post_position_.compare_exchange_weak(position, position + 1,
                                                 std::memory_order_relaxed)) {
          cell.message = message;
          cell.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (lag < 0) {
        return false;
      } else {
        position = post_position_.load(std::memory_order_relaxed);
      }
    }
  }

  // [ui] The oldest message, if any.
  bool Take(PostedMessage& message) noexcept {
    Cell& cell = cells_[take_position_ & (kCapacity - 1)];
    if (cell.sequence.load(std::memory_order_acquire) != take_position_ + 1) return false;
    message = cell.message;
    cell.sequence.store(take_position_ + kCapacity, std::memory_order_release);
    ++take_position_;
    return true;
  }

 private:
  struct Cell {
    // Stored with release once the message is written (or taken), loaded with
    // acquire before it is read (or overwritten): it hands the message over.
    std::atomic<std::size_t> sequence{0};
    PostedMessage message{};
  };
  std::array<Cell, kCapacity> cells_;
  // Relaxed: it only shares out positions among posters; the cells' sequence
  // numbers carry the messages.
  std::atomic<std::size_t> post_position_{0};
  // Post runs on the audio side.
  static_assert(std::atomic<std::size_t>::is_always_lock_free, "Post must not lock");
  std::size_t take_position_ = 0;  // the one taker's own
};

}  // namespace varnok::platform::headless
