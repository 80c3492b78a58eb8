# CLI11 is header-only: the build machine's copy serves the target too, staged
# in a folder of its own so that /usr/include never reaches the cross compiler.
if(NOT TARGET CLI11::CLI11)
  set(_cli11_staged ${CMAKE_BINARY_DIR}/cross-include)
  file(COPY /usr/include/CLI DESTINATION ${_cli11_staged})
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_cli11_staged})
endif()
