# Runs machine-host in a folder of empty files named as the libraries it and
# its emulator load. The loader must look for none of them there: it would
# load whatever the folder machine-host is started in holds.
#   cmake -DMACHINE_HOST=... -DFOLDER=... -P expect_no_library_from_working_directory.cmake
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
foreach(library IN ITEMS libc.so.6 libm.so.6 libgcc_s.so.1 libstdc++.so.6 libvarnok_ui.so libunicorn.so.2)
  file(TOUCH ${FOLDER}/${library})
endforeach()
execute_process(COMMAND ${MACHINE_HOST} --version WORKING_DIRECTORY ${FOLDER}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "--version failed (${code}): ${err}")
endif()
# "MZ" makes a Windows image of it, for which machine-host loads its emulator.
file(WRITE ${FOLDER}/windows.dll "MZ, and nothing more")
execute_process(COMMAND ${MACHINE_HOST} info windows.dll WORKING_DIRECTORY ${FOLDER}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${err}" "windows.dll: not a loadable plug-in library" found)
if(found EQUAL -1)
  message(FATAL_ERROR "expected the emulator to load and refuse windows.dll, got: ${err}")
endif()
file(REMOVE_RECURSE ${FOLDER})
