#include "platform/shared_counter.h"

#include <windows.h>

namespace varnok::platform {
namespace {

static_assert(sizeof(LONG) == sizeof(std::int32_t), "the counter is one LONG");

volatile LONG* AsLong(std::int32_t* counter) { return reinterpret_cast<volatile LONG*>(counter); }

}  // namespace

// A new paging-file section is zero-filled by the system, so a created counter reads 0.
bool OpenOrCreateSharedCounter(const char* name, SharedMapping& mapping, bool& created) noexcept {
  mapping = kNoSharedMapping;
  created = false;
  HANDLE handle = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
  if (handle == nullptr) {
    handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(std::int32_t), name);
    if (handle == nullptr) return false;
    created = true;
  }
  mapping = reinterpret_cast<SharedMapping>(handle);
  return true;
}

std::int32_t* MapSharedCounter(SharedMapping mapping) noexcept {
  void* view = MapViewOfFile(reinterpret_cast<HANDLE>(mapping), FILE_MAP_ALL_ACCESS, 0, 0,
                             sizeof(std::int32_t));
  return static_cast<std::int32_t*>(view);
}

void UnmapSharedCounter(std::int32_t* counter) noexcept { UnmapViewOfFile(counter); }

void CloseSharedCounter(SharedMapping mapping) noexcept {
  CloseHandle(reinterpret_cast<HANDLE>(mapping));
}

void RemoveSharedCounter(const char*) noexcept {}

std::int32_t IncrementSharedCounter(std::int32_t* counter) noexcept {
  return InterlockedIncrement(AsLong(counter));
}

std::int32_t DecrementSharedCounter(std::int32_t* counter) noexcept {
  return InterlockedDecrement(AsLong(counter));
}

std::int32_t ReadSharedCounter(const std::int32_t* counter) noexcept {
  return InterlockedCompareExchange(AsLong(const_cast<std::int32_t*>(counter)), 0, 0);
}

}  // namespace varnok::platform
