// Ends emulated calls that run past their time, or that the host was asked to
// stop, from a thread of its own: a call that never returns holds the thread
// that made it, and a signal handler may do no more than raise a flag.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

struct uc_struct;

namespace varnok::host::pe32 {

// Asks every emulated call running now, and every later one, to stop.
// Async-signal-safe.
void RequestStop() noexcept;
bool StopRequested() noexcept;

// Watches the outermost call of one emulated processor.
class CallWatch final {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Cause { kNone, kLimit, kRequest };

  explicit CallWatch(uc_struct* uc);
  // Waits while the watching thread looks at this one.
  ~CallWatch();
  CallWatch(const CallWatch&) = delete;
  CallWatch& operator=(const CallWatch&) = delete;

  // An outermost call begins, to be stopped after `limit`; returns its serial.
  std::uint64_t Begin(Clock::duration limit) noexcept;
  void End() noexcept;
  Clock::time_point Deadline() const noexcept;

  // How many times the watcher has stopped the processor so far.
  std::uint64_t Stops() const noexcept { return stops_.load(); }
  // Why the watcher stopped the call `serial`, if it did.
  Cause StoppedFor(std::uint64_t serial) const noexcept;

  // [watcher] Stops the running call if it is over its time or asked to stop.
  void Poll(Clock::time_point now) noexcept;

 private:
  uc_struct* uc_;
  int slot_ = -1;
  std::atomic<std::int64_t> deadline_{0};  // since the clock's epoch; 0: no call
  std::atomic<std::uint64_t> serial_{0};
  std::atomic<std::uint64_t> stopped_serial_{0};
  std::atomic<int> cause_{0};
  std::atomic<std::uint64_t> stops_{0};
};

}  // namespace varnok::host::pe32
