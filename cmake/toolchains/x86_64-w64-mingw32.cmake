# 64-bit Windows: runs the whole test suite under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNOK_MINGW_TRIPLE x86_64-w64-mingw32)
# Posix threads: the tests under Wine start threads; nothing built here ships.
set(VARNOK_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
