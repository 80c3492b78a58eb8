// Keeps two busy threads on two cores. Left to itself, Linux often wakes a
// thread that sleeps now and then on the core of the thread that woke it, and
// the two take turns on one core while the other idles.
#pragma once

#if defined(__linux__)
#include <sched.h>
#endif

namespace varnok::host {

class CoreSplit final {
 public:
  CoreSplit() = default;
  // Gives the first thread back every core it had.
  ~CoreSplit();
  CoreSplit(const CoreSplit&) = delete;
  CoreSplit& operator=(const CoreSplit&) = delete;

  // [first thread] Keeps the calling thread on the core it runs on, where the
  // process may use more than one; elsewhere does nothing.
  void KeepCallerHere();
  // [second thread] Keeps the calling thread off the first thread's core.
  void KeepCallerAway() const;

 private:
#if defined(__linux__)
  cpu_set_t had_{};
  cpu_set_t others_{};
  bool split_ = false;
#endif
};

}  // namespace varnok::host
