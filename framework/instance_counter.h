// How many of the maker's machine objects are alive, across libraries and
// processes, in one int32 of named shared memory ("SharedResource").
#pragma once

#include <cstdint>

#include "platform/shared_counter.h"

namespace varnok {

inline constexpr const char* kSharedCounterName = "SharedResource";

class InstanceCounter {
 public:
  // Opens or creates the shared counter and adds one. When the shared memory is
  // unavailable the object is simply not counted. Tests pass a name of their own.
  explicit InstanceCounter(const char* name = kSharedCounterName) noexcept;
  // Subtracts one and lets go of the shared memory.
  ~InstanceCounter();
  InstanceCounter(const InstanceCounter&) = delete;
  InstanceCounter& operator=(const InstanceCounter&) = delete;

  // The live count now; 1 (this object alone) when the memory is unavailable.
  std::int32_t Value() const noexcept;

 private:
  std::int32_t* count;          // the mapped counter, or null
  platform::SharedMapping mapping;
  bool created;                 // this object created the mapping
};

}  // namespace varnok
