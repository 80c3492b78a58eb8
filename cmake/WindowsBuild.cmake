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

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The 32-bit build is what ships: each deliverable is checked as a binary,
  # the way the host will meet it. Deferred so every machine folder has run.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  enable_testing()
  function(varnok_add_dll_checks)
    set(checker ${PROJECT_SOURCE_DIR}/tests/windows/check_dll.py)
    get_property(plugins GLOBAL PROPERTY VARNOK_MACHINE_PLUGINS)
    foreach(plugin IN LISTS plugins)
      get_target_property(directory ${plugin} LIBRARY_OUTPUT_DIRECTORY)
      if(NOT directory STREQUAL VARNOK_PLUGIN_DIR)
        continue()  # test plug-ins are not deliverables
      endif()
      get_target_property(name ${plugin} OUTPUT_NAME)
      add_test(NAME "dll.${name}"
               COMMAND ${Python3_EXECUTABLE} ${checker} --objdump ${CMAKE_OBJDUMP}
                       $<TARGET_FILE:${plugin}>)
      if(name STREQUAL "Varnok's Analyzer")
        add_test(NAME dll.checker_catches_faults
                 COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/windows/check_dll_selftest.py
                         --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:${plugin}>)
      endif()
    endforeach()
    # The host's library is no machine: the checker must say so, and why.
    add_test(NAME dll.dsplib_is_no_machine
             COMMAND ${Python3_EXECUTABLE} ${checker} --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:dsplib>)
    set_tests_properties(dll.dsplib_is_no_machine PROPERTIES
      PASS_REGULAR_EXPRESSION "exports: Failed: exports \\['DSP_Add'\\]")
  endfunction()
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL varnok_add_dll_checks)
endif()
