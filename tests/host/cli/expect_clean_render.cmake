# A render that succeeds leaves its output and nothing else in the folder: the
# audio goes to a temporary file that is renamed into place.
#   cmake -DMACHINE_HOST=... -DSONG=... -DPLUGINS=... -DFOLDER=... -P expect_clean_render.cmake
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
execute_process(COMMAND ${MACHINE_HOST} render ${SONG} -o ${FOLDER}/out.wav --plugins ${PLUGINS}
                RESULT_VARIABLE code ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "render failed (${code}): ${err}")
endif()
file(GLOB left RELATIVE ${FOLDER} ${FOLDER}/* ${FOLDER}/.*)
if(NOT left STREQUAL "out.wav")
  message(FATAL_ERROR "expected only out.wav in ${FOLDER}, found: ${left}")
endif()
