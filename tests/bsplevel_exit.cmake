# Runs the built bsplevel program as a shell would and checks its exit
# status and the last line of its standard error (the in-process tests call
# the tool's function; this sees what the process returns).
#
#   cmake -DPROGRAM=... -DDATA=... -P bsplevel_exit.cmake
#
# Each case: the expected status, the expected last error line ("" for no
# error output) and the arguments, "|"-separated; "DATA" in them stands for
# the folder of the tool's test levels.
cmake_minimum_required(VERSION 3.25)  # empty list elements count (CMP0007)
set(cases
  "2|DATA/outside.txt:5: wall outside the world [0,0]-[100,60]|path|DATA/outside.txt|10|10|90|10"
  "2|DATA/broken.txt:6: malformed wall item|info|DATA/broken.txt"
  "2|DATA/arena.map looks like a grid map: use import-grid|segment|DATA/arena.map|1|1|5|5"
  "1|DATA/outside.txt:5: wall outside the world [0,0]-[100,60]|ball|DATA/outside.txt|50|10|5|--partial"
  "1|bsplevel: path: no route from (10,10) to (90,10)|path|DATA/closed.txt|10|10|90|10"
  "0||segment|DATA/small.txt|10|10|90|10|--limit=40")
set(failures 0)
foreach(c IN LISTS cases)
  string(REPLACE "DATA" "${DATA}" c "${c}")
  string(REPLACE "|" ";" fields "${c}")
  list(POP_FRONT fields status last_line)
  execute_process(COMMAND ${PROGRAM} ${fields} RESULT_VARIABLE actual_status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(actual_line "")
  if(err MATCHES "([^\n]*)\n$")
    set(actual_line "${CMAKE_MATCH_1}")
  endif()
  if(NOT actual_status STREQUAL status OR NOT actual_line STREQUAL last_line)
    message(SEND_ERROR "bsplevel ${fields}: status ${actual_status} (expected ${status}), "
      "last error line '${actual_line}' (expected '${last_line}')")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} case(s) failed")
endif()
