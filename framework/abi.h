// How the host and a machine call each other across the library boundary.
#pragma once

// Member operations of the interface classes. The host runs on 32-bit Windows and
// calls them the way its compiler does: `this` in ECX, arguments on the stack.
#if defined(_WIN32) && !defined(_WIN64)
#define MACHINE_CALL __thiscall
#else
#define MACHINE_CALL
#endif

// The two exported entry points: plain C linkage, undecorated names.
#if defined(_WIN32)
#define MACHINE_EXPORT extern "C" __declspec(dllexport)
#define MACHINE_ENTRY __cdecl
#else
#define MACHINE_EXPORT extern "C" __attribute__((visibility("default")))
#define MACHINE_ENTRY
#endif

// Functions a host-side library (dsplib) exports for plug-ins to import.
#if defined(_WIN32)
#if defined(DSPLIB_BUILDING)
#define DSPLIB_API extern "C" __declspec(dllexport)
#else
#define DSPLIB_API extern "C" __declspec(dllimport)
#endif
#else
#define DSPLIB_API extern "C" __attribute__((visibility("default")))
#endif
