#include "platform/last_resort.h"

#include <limits.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <iterator>

namespace varnok::platform {
namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr suseconds_t kGraceMicroseconds = 500000;

// Written by the main thread only while no handler may read it.
char file_to_remove[PATH_MAX];
std::atomic<bool> has_file{false};
std::atomic<int> ending_signal{0};
struct sigaction crash_handlers_before[std::size(kCrashSignals)];
bool crash_handlers_set = false;
// A crash from a stack that overflowed needs a stack of its own to be handled on.
alignas(16) char crash_stack[64 * 1024];

void RemoveFile() noexcept {
  if (has_file.load()) unlink(file_to_remove);
}

// Ends the process as `signal` does by default, whatever handles it now.
[[noreturn]] void EndAs(int signal) noexcept {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigaction(signal, &plain, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);  // a signal whose default is to be ignored
}

extern "C" void EndNow(int) {
  RemoveFile();
  EndAs(ending_signal.load());
}

extern "C" void OnCrash(int signal) {
  RemoveFile();
  // The handler from before takes it from here (a sanitizer's report, or the
  // default end): put back, the fault meets it once this returns.
  for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
    if (kCrashSignals[i] == signal) sigaction(signal, &crash_handlers_before[i], nullptr);
  }
  raise(signal);
}

void SetCrashHandlers(bool on) {
  if (on == crash_handlers_set) return;
  crash_handlers_set = on;
  if (!on) {
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) sigaction(kCrashSignals[i], &crash_handlers_before[i], nullptr);
    return;
  }
  stack_t own{};
  own.ss_sp = crash_stack;
  own.ss_size = sizeof crash_stack;
  sigaltstack(&own, nullptr);
  struct sigaction handler {};
  handler.sa_handler = OnCrash;
  handler.sa_flags = SA_ONSTACK;
  sigemptyset(&handler.sa_mask);
  for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
    sigaction(kCrashSignals[i], &handler, &crash_handlers_before[i]);
  }
}

}  // namespace

void SetFileToRemove(const char* path) noexcept {
  has_file.store(false);
  if (path != nullptr && std::strlen(path) < sizeof file_to_remove) {
    std::strcpy(file_to_remove, path);
    has_file.store(true);
  }
  SetCrashHandlers(has_file.load());
}

void EndWithin(int signal) noexcept {
  int none = 0;
  if (!ending_signal.compare_exchange_strong(none, signal)) return;  // on its way already
  struct sigaction handler {};
  handler.sa_handler = EndNow;
  sigemptyset(&handler.sa_mask);
  sigaction(SIGALRM, &handler, nullptr);
  itimerval grace{};
  grace.it_value.tv_usec = kGraceMicroseconds;
  setitimer(ITIMER_REAL, &grace, nullptr);
}

}  // namespace varnok::platform
