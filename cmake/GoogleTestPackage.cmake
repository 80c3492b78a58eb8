# GoogleTest for the test suite: the system's package where it fits the target,
# else Debian's source package built along (cross builds: libgtest-dev is native only).
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(VARNOK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
  if(NOT EXISTS ${VARNOK_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest for this target and no sources in "
                        "${VARNOK_GOOGLETEST_SOURCE} (Debian package googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VARNOK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The source tree names its targets GTest::*, as the package does.
  foreach(library gtest gtest_main gmock gmock_main)
    # Third-party code: our warning policy is not theirs.
    target_compile_options(${library} PRIVATE -Wno-error)
  endforeach()
endif()
