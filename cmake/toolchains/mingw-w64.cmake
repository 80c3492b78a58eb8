# Shared by the MinGW-w64 toolchains: set VARNOK_MINGW_TRIPLE and
# VARNOK_MINGW_THREADS (Debian's variant: posix or win32) before including.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VARNOK_MINGW_TRIPLE}-gcc-${VARNOK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${VARNOK_MINGW_TRIPLE}-g++-${VARNOK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${VARNOK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNOK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Header-only packages of the build machine, made fit for the target.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/packages/CLI11 CACHE PATH "CLI11 for the target")

# Everything links the runtime in statically: a Windows machine has no MinGW DLLs.
set(VARNOK_MINGW_STATIC "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${VARNOK_MINGW_STATIC}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${VARNOK_MINGW_STATIC}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${VARNOK_MINGW_STATIC}")

# Debian's cross pkg-config looks only where the target's libraries live.
set(PKG_CONFIG_EXECUTABLE /usr/bin/${VARNOK_MINGW_TRIPLE}-pkg-config CACHE FILEPATH "pkg-config for the target")
