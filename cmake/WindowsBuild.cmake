# What only the Windows builds add: running the tests under Wine, and the
# checks on the 32-bit deliverables. Nothing happens in other builds.
if(NOT WIN32)
  return()
endif()

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # Tests and test discovery run under Wine; dsplib.dll sits with the plug-ins.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/scripts/wine-run --dll-path ${VARNOK_PLUGIN_DIR})
endif()
