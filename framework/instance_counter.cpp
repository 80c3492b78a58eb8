#include "framework/instance_counter.h"

namespace varnok {

// A created counter already reads 0, so a newcomer is never wiped out by a late
// reset; every update is atomic.
InstanceCounter::InstanceCounter(const char* name) noexcept
    : count(nullptr), mapping(platform::kNoSharedMapping), created(false) {
  if (!platform::OpenOrCreateSharedCounter(name, mapping, created)) return;
  count = platform::MapSharedCounter(mapping);
  if (count != nullptr) platform::IncrementSharedCounter(count);
}

// Every holder closes its handle, the creator and an opener alike: the object
// lives on while any other holds one, and a handle left open would be lost for
// the rest of the process each time a machine that was not first goes.
InstanceCounter::~InstanceCounter() {
  if (count != nullptr) {
    platform::DecrementSharedCounter(count);
    platform::UnmapSharedCounter(count);
  }
  if (mapping != platform::kNoSharedMapping) platform::CloseSharedCounter(mapping);
}

std::int32_t InstanceCounter::Value() const noexcept {
  return count != nullptr ? platform::ReadSharedCounter(count) : 1;
}

}  // namespace varnok
