// One int32 in named shared memory, seen by every process of the system.
#pragma once

#include <cstdint>

namespace varnok::platform {

// The system's handle of the named object (a HANDLE on Windows, a descriptor
// elsewhere), kept as an integer so that callers need no system header.
using SharedMapping = std::intptr_t;
inline constexpr SharedMapping kNoSharedMapping = -1;

// Opens the 4-byte object `name` for writing, or creates it when nobody holds
// it; `created` tells which. A created counter reads 0. False (and `mapping`
// left as kNoSharedMapping) when the system gives neither. Away from Windows
// the names live in a namespace of this system's own, so no name reaches an
// object that some other program keeps.
bool OpenOrCreateSharedCounter(const char* name, SharedMapping& mapping, bool& created) noexcept;

// Forgets the name, for a test that made it: the object goes once no holder
// is left. Windows forgets a name with its last handle by itself.
void RemoveSharedCounter(const char* name) noexcept;

// A writable view of the counter, or null.
std::int32_t* MapSharedCounter(SharedMapping mapping) noexcept;
void UnmapSharedCounter(std::int32_t* counter) noexcept;
// Lets go of this holder's handle; the object lives while any holder has one.
void CloseSharedCounter(SharedMapping mapping) noexcept;

// Atomic with respect to every process; each returns the new value.
std::int32_t IncrementSharedCounter(std::int32_t* counter) noexcept;
std::int32_t DecrementSharedCounter(std::int32_t* counter) noexcept;
std::int32_t ReadSharedCounter(const std::int32_t* counter) noexcept;

}  // namespace varnok::platform
