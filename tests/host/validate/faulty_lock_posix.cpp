#include <mutex>

#include "faulty_lock.h"

void TakeAndReleaseLock() {
  static std::mutex mutex;
  std::lock_guard<std::mutex> hold(mutex);
}
