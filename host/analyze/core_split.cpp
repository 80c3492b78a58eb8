#include "host/analyze/core_split.h"

namespace varnok::host {

#if defined(__linux__)
// A thread id of 0 names the calling thread, not the whole process.
void CoreSplit::KeepCallerHere() {
  if (split_ || sched_getaffinity(0, sizeof had_, &had_) != 0 || CPU_COUNT(&had_) < 2) return;
  const int here = sched_getcpu();
  if (here < 0 || !CPU_ISSET(here, &had_)) return;
  cpu_set_t mine;
  CPU_ZERO(&mine);
  CPU_SET(here, &mine);
  others_ = had_;
  CPU_CLR(here, &others_);
  split_ = sched_setaffinity(0, sizeof mine, &mine) == 0;
}

void CoreSplit::KeepCallerAway() const {
  if (split_) sched_setaffinity(0, sizeof others_, &others_);
}

CoreSplit::~CoreSplit() {
  if (split_) sched_setaffinity(0, sizeof had_, &had_);
}
#else
void CoreSplit::KeepCallerHere() {}
void CoreSplit::KeepCallerAway() const {}
CoreSplit::~CoreSplit() = default;
#endif

}  // namespace varnok::host
