#include "host/pe32/call_watch.h"

#include <pthread.h>
#include <unicorn/unicorn.h>
#include <unistd.h>

#include <thread>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

// Often enough that a stopped command ends well within a second.
constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr int kMostWatches = 16;

// Lock-free, for the signal handler and for a watcher that must never block
// the emulating thread. A watch is looked at only while its busy flag is up,
// and a watch going away waits for the flag to drop: both sequentially
// consistent, so one of the two always sees the other.
std::atomic<CallWatch*> watches[kMostWatches];
std::atomic<bool> busy[kMostWatches];
std::atomic<bool> stop_requested{false};
std::atomic<pid_t> watcher_process{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<CallWatch*>::is_always_lock_free,
              "set from a signal handler");

std::int64_t Ticks(CallWatch::Clock::time_point at) { return at.time_since_epoch().count(); }

[[noreturn]] void Watch() {
  for (;;) {
    std::this_thread::sleep_for(kPollInterval);
    const auto now = CallWatch::Clock::now();
    for (int i = 0; i < kMostWatches; ++i) {
      busy[i].store(true);
      if (CallWatch* watch = watches[i].load()) watch->Poll(now);
      busy[i].store(false);
    }
  }
}

// The watcher of a forked process is not its parent's: the child starts its own.
void ForgetParentsWatcher() {
  for (auto& flag : busy) flag.store(false);
}

void StartWatcher() {
  const pid_t self = getpid();
  pid_t seen = watcher_process.load();
  if (seen == self || !watcher_process.compare_exchange_strong(seen, self)) return;
  if (seen == 0) pthread_atfork(nullptr, nullptr, &ForgetParentsWatcher);
  std::thread(&Watch).detach();
}

}  // namespace

void RequestStop() noexcept { stop_requested.store(true); }
bool StopRequested() noexcept { return stop_requested.load(); }

CallWatch::CallWatch(uc_struct* uc) : uc_(uc) {
  for (int i = 0; i < kMostWatches && slot_ < 0; ++i) {
    CallWatch* empty = nullptr;
    if (watches[i].compare_exchange_strong(empty, this)) slot_ = i;
  }
  if (slot_ < 0) throw GuestError("too many emulated processes to watch");
}

CallWatch::~CallWatch() {
  watches[slot_].store(nullptr);
  while (busy[slot_].load()) std::this_thread::yield();
}

std::uint64_t CallWatch::Begin(Clock::duration limit) noexcept {
  StartWatcher();
  const std::uint64_t serial = serial_.fetch_add(1) + 1;
  deadline_.store(Ticks(Clock::now() + limit));
  return serial;
}

void CallWatch::End() noexcept { deadline_.store(0); }

CallWatch::Clock::time_point CallWatch::Deadline() const noexcept {
  return Clock::time_point(Clock::duration(deadline_.load()));
}

CallWatch::Cause CallWatch::StoppedFor(std::uint64_t serial) const noexcept {
  return stopped_serial_.load() == serial ? static_cast<Cause>(cause_.load()) : Cause::kNone;
}

// The stop may land on a later call when this one ends meanwhile: that call
// sees a stop meant for another serial, and carries on.
void CallWatch::Poll(Clock::time_point now) noexcept {
  const std::uint64_t serial = serial_.load();
  const std::int64_t deadline = deadline_.load();  // this serial's: End comes before the next Begin
  if (deadline == 0) return;
  const Cause cause = StopRequested() ? Cause::kRequest : Ticks(now) > deadline ? Cause::kLimit : Cause::kNone;
  if (cause == Cause::kNone || serial_.load() != serial) return;
  cause_.store(static_cast<int>(cause));
  stopped_serial_.store(serial);
  stops_.fetch_add(1);
  uc_emu_stop(uc_);
}

}  // namespace varnok::host::pe32
