# 32-bit Windows, the host's own platform.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VARNOK_MINGW_TRIPLE i686-w64-mingw32)
# Win32 threads: the DLLs link no thread library, so they import nothing newer
# than Windows XP SP3 and leave no handler, handle or heap behind when unloaded.
set(VARNOK_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# SSE2 arithmetic: results must not depend on the x87 precision and rounding
# that the host process happens to have set.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
# No exceptions: nothing in a DLL throws or catches, and without them the C++
# runtime's unwinder and exception pool stay out, with the lock and memory they
# take at load and never give back.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -fno-exceptions")
