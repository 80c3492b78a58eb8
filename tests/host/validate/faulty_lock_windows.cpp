#include "faulty_lock.h"

extern "C" __declspec(dllimport) void __stdcall InitializeCriticalSection(void* section);
extern "C" __declspec(dllimport) void __stdcall EnterCriticalSection(void* section);
extern "C" __declspec(dllimport) void __stdcall LeaveCriticalSection(void* section);

namespace {

// Room for a CRITICAL_SECTION on either Windows.
struct Section {
  Section() { InitializeCriticalSection(storage); }
  alignas(8) unsigned char storage[64];
};

// Built when the library loads: a guarded local static would take locks of its own.
Section section;

}  // namespace

void TakeAndReleaseLock() {
  EnterCriticalSection(section.storage);
  LeaveCriticalSection(section.storage);
}
