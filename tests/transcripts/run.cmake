# Replays one transcript through beastfinder-sim and compares the output with the file.
#   cmake -DSIM=<program> -DTRANSCRIPT=<file> [-DEMULATOR=<runner>] [-DDIFF=<diff>]
#         -DOUT_DIR=<dir> -P run.cmake
# With BF_UPDATE_TRANSCRIPTS=1 in the environment the file is rewritten instead.
cmake_minimum_required(VERSION 3.20)
get_filename_component(folder "${TRANSCRIPT}" DIRECTORY)
get_filename_component(name "${TRANSCRIPT}" NAME)

file(READ "${TRANSCRIPT}" expected)

# An option line that starts with a word instead of an option ("#! check FILE") runs that
# command of the program instead of a script: the transcript is its comment lines up to
# that line, the output, and the exit code.
string(REGEX MATCH "^(#[^\n]*\n)*#! [a-z][^\n]*\n" header "${expected}")
if(header)
  string(REGEX MATCH "#! ([^\n]*)\n$" ignored "${header}")
  separate_arguments(arguments UNIX_COMMAND "${CMAKE_MATCH_1}")
  execute_process(
    COMMAND ${EMULATOR} "${SIM}" ${arguments}
    WORKING_DIRECTORY "${folder}"
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output
    RESULT_VARIABLE code)
  set(actual "${header}${output}exit code=${code}\n")
else()
  # One variable for both streams keeps error lines in their place among the effects.
  execute_process(
    COMMAND ${EMULATOR} "${SIM}" --echo --transcript "${name}"
    WORKING_DIRECTORY "${folder}"
    OUTPUT_VARIABLE actual
    ERROR_VARIABLE actual
    RESULT_VARIABLE code)
endif()

if(actual STREQUAL expected)
  return()
endif()
if("$ENV{BF_UPDATE_TRANSCRIPTS}" STREQUAL "1")
  file(WRITE "${TRANSCRIPT}" "${actual}")
  message(STATUS "rewrote ${TRANSCRIPT}")
  return()
endif()

file(MAKE_DIRECTORY "${OUT_DIR}")
set(actual_file "${OUT_DIR}/${name}.actual")
file(WRITE "${actual_file}" "${actual}")
set(shown "")
if(DIFF)
  # Straight to the output: message() would re-wrap the diff's lines.
  execute_process(COMMAND "${DIFF}" -u "${TRANSCRIPT}" "${actual_file}")
else()
  # No diff program: show the first line that differs.
  string(REPLACE ";" "\\;" expected_lines "${expected}")
  string(REPLACE ";" "\\;" actual_lines "${actual}")
  string(REPLACE "\n" ";" expected_lines "${expected_lines}")
  string(REPLACE "\n" ";" actual_lines "${actual_lines}")
  list(LENGTH expected_lines expected_count)
  list(LENGTH actual_lines actual_count)
  set(index 0)
  while(index LESS expected_count OR index LESS actual_count)
    set(want "(end of file)")
    set(got "(end of output)")
    if(index LESS expected_count)
      list(GET expected_lines ${index} want)
    endif()
    if(index LESS actual_count)
      list(GET actual_lines ${index} got)
    endif()
    if(NOT want STREQUAL got)
      math(EXPR line "${index} + 1")
      set(shown "  line ${line}\n  expected: ${want}\n  actual:   ${got}\n")
      break()
    endif()
    math(EXPR index "${index} + 1")
  endwhile()
endif()
message(FATAL_ERROR "${name}: the output differs from the transcript (exit code ${code}); "
                    "the whole output is in ${actual_file}\n${shown}"
                    "Rerun with BF_UPDATE_TRANSCRIPTS=1 to accept it.")
