# Runs machine-host with arguments that must fail and checks how it fails: a
# non-zero exit, and on stderr exactly one line that names the thing at fault
# and says what was expected.
#   cmake -DMACHINE_HOST=... -DARGS="a|b" -DNAMES=<text the line must hold>
#         [-DEXPECTS=<more text it must hold>] [-DWORKING_DIRECTORY=...]
#         [-DNO_FILE=<path that must not exist afterwards>]
#         [-DKEEP_FILE=<path whose content must survive>] -P expect_one_line_error.cmake
if(NOT WORKING_DIRECTORY)
  set(WORKING_DIRECTORY .)
endif()
if(KEEP_FILE)
  file(WRITE ${KEEP_FILE} "earlier output")
endif()
string(REPLACE "|" ";" ARGS "${ARGS}")
execute_process(COMMAND ${MACHINE_HOST} ${ARGS}
                WORKING_DIRECTORY ${WORKING_DIRECTORY}
                RESULT_VARIABLE code
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(code EQUAL 0)
  message(FATAL_ERROR "expected a failure, got exit code 0; stdout: ${out}")
endif()
string(REGEX REPLACE "\n$" "" line "${err}")
string(FIND "${line}" "\n" newline)
if(line STREQUAL "" OR NOT newline EQUAL -1)
  message(FATAL_ERROR "expected one line on stderr, got:\n${err}")
endif()
foreach(part IN ITEMS NAMES EXPECTS)
  if(${part})
    string(FIND "${line}" "${${part}}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "stderr does not hold '${${part}}':\n${line}")
    endif()
  endif()
endforeach()
if(NO_FILE AND EXISTS ${NO_FILE})
  message(FATAL_ERROR "${NO_FILE} was left behind")
endif()
if(KEEP_FILE)
  file(READ ${KEEP_FILE} kept)
  if(NOT kept STREQUAL "earlier output")
    message(FATAL_ERROR "${KEEP_FILE} was overwritten by a failed run")
  endif()
endif()
message(STATUS "exit ${code}: ${line}")
