# add_machine_plugin(<target> NAME <file name> SOURCES <files...> [LIBRARIES <libs...>]
#                    [DIRECTORY <dir>])
# Builds a loadable plug-in under its deliverable name, into build/plugins/ unless
# DIRECTORY says otherwise.
function(add_machine_plugin target)
  cmake_parse_arguments(PLUGIN "" "NAME;DIRECTORY" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT PLUGIN_DIRECTORY)
    set(PLUGIN_DIRECTORY ${VARNOK_PLUGIN_DIR})
  endif()
  add_library(${target} MODULE ${PLUGIN_SOURCES})
  set_property(GLOBAL APPEND PROPERTY VARNOK_MACHINE_PLUGINS ${target})
  target_link_libraries(${target} PRIVATE ${PLUGIN_LIBRARIES} varnok_framework)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME "${PLUGIN_NAME}"
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${PLUGIN_DIRECTORY}
    RUNTIME_OUTPUT_DIRECTORY ${PLUGIN_DIRECTORY}
    # A plug-in finds the host's dsplib beside itself.
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  # The machines go where an installed machine-host finds them; test plug-ins
  # and the Windows deliverables are not installed.
  if(PLUGIN_DIRECTORY STREQUAL VARNOK_PLUGIN_DIR AND NOT WIN32)
    install(TARGETS ${target} LIBRARY DESTINATION ${VARNOK_INSTALL_PLUGIN_DIR})
  endif()
  if(WIN32)
    # Ship without MinGW runtime DLLs: only system DLLs and dsplib.dll are imported.
    target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++ -static)
  elseif(NOT VARNOK_BUILD_FUZZERS)
    # In fuzz builds clang's sanitizer runtime lives in the fuzzer program, and
    # a plug-in leaves its symbols to be found there.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
