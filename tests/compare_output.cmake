# Runs a program and compares its whole standard output, byte for byte, with
# a golden file; on a difference prints a unified diff (each line end marked
# with "$", so that trailing blanks show) and fails.
#
#   cmake -DPROGRAM=... -DWORKING_DIRECTORY=... -DGOLDEN=... -DACTUAL=... -P compare_output.cmake
execute_process(
  COMMAND ${PROGRAM}
  WORKING_DIRECTORY ${WORKING_DIRECTORY}
  OUTPUT_FILE ${ACTUAL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with status ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${GOLDEN} ${ACTUAL} RESULT_VARIABLE different)
if(NOT different)
  return()
endif()
foreach(side GOLDEN ACTUAL)
  file(READ ${${side}} text)
  string(REPLACE "\n" "$\n" text "${text}")
  file(WRITE ${ACTUAL}.${side}.marked "${text}")
endforeach()
find_program(DIFF diff)
if(DIFF)
  execute_process(COMMAND ${DIFF} -u --label expected --label actual
                          ${ACTUAL}.GOLDEN.marked ${ACTUAL}.ACTUAL.marked)
else()
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${ACTUAL}.ACTUAL.marked)
endif()
message(FATAL_ERROR "the output differs from ${GOLDEN} (actual output in ${ACTUAL})")
