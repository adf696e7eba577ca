# Runs the built bsplevel program as a shell would and checks its exit
# status, its standard error and, for an error, that nothing was answered
# (the in-process tests call the tool's function; this sees what the
# process returns and writes).
#
#   cmake -DPROGRAM=... -DDATA=... -P bsplevel_exit.cmake
#
# Each case: the expected status, the expected standard error ("" for
# none; an error is exactly this one line), whether standard output must be
# empty (EMPTY) or not (ANSWER), and the arguments, "|"-separated; "DATA" in
# them stands for the folder of the tool's test levels.
cmake_minimum_required(VERSION 3.25)  # empty list elements count (CMP0007)
set(cases
  "2|DATA/outside.txt:5: wall outside the world [0,0]-[100,60]|EMPTY|path|DATA/outside.txt|10|10|90|10"
  "2|DATA/broken.txt:6: malformed wall item|ANSWER|info|DATA/broken.txt"
  "2|DATA/diagonal.txt:5: wall [0,0]->[30,30] is neither horizontal nor vertical|EMPTY|segment|DATA/diagonal.txt|10|10|90|10"
  "2|DATA/arena.map looks like a grid map: use import-grid|EMPTY|segment|DATA/arena.map|1|1|5|5"
  "2|DATA/arena.map looks like a grid map: use import-grid|EMPTY|import-tiled|DATA/arena.map|-o|-"
  "2|bsplevel: path: unknown option '--frobnicate' (usage: bsplevel path LEVEL X1 Y1 X2 Y2 [--json] [--open D]... [--partial] [--verbose])|EMPTY|path|DATA/small.txt|1|2|3|4|--frobnicate"
  "1|DATA/outside.txt:5: wall outside the world [0,0]-[100,60]|ANSWER|ball|DATA/outside.txt|50|10|5|--partial"
  "1|bsplevel: path: no route from (10,10) to (90,10)|ANSWER|path|DATA/closed.txt|10|10|90|10"
  "0||ANSWER|segment|DATA/small.txt|10|10|90|10|--limit=40"
  "0||ANSWER|segment|DATA/bom.txt|10|10|90|10")
set(failures 0)
foreach(c IN LISTS cases)
  string(REPLACE "DATA" "${DATA}" c "${c}")
  string(REPLACE "|" ";" fields "${c}")
  list(POP_FRONT fields status error_line output)
  execute_process(COMMAND ${PROGRAM} ${fields} RESULT_VARIABLE actual_status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(expected_err "")
  if(NOT error_line STREQUAL "")
    set(expected_err "${error_line}\n")
  endif()
  set(output_ok TRUE)
  if(output STREQUAL "EMPTY" AND NOT out STREQUAL "")
    set(output_ok FALSE)
  elseif(output STREQUAL "ANSWER" AND out STREQUAL "")
    set(output_ok FALSE)
  endif()
  if(NOT actual_status STREQUAL status OR NOT err STREQUAL expected_err OR NOT output_ok)
    message(SEND_ERROR "bsplevel ${fields}: status ${actual_status} (expected ${status}), "
      "standard error '${err}' (expected '${expected_err}'), standard output ${output}: '${out}'")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} case(s) failed")
endif()
