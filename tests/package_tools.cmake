# The administrator's tools archives as an administrator unpacks them: what they hold, programs
# stripped with their debug information in the second archive, and the unpacked simulator
# running the tour with its own modules and examples.
#   cmake -DARCHIVE=<file> -DDEBUG_ARCHIVE=<file> -DNAME=<top folder> -DBINARIES=<a|b|...>
#         -DPROGRAM=<the simulator's file name> -DOBJDUMP=<objdump> -DSOURCE=<source dir> -DOUT_DIR=<dir> [-DEMULATOR=<runner>]
#         -P package_tools.cmake
cmake_minimum_required(VERSION 3.20)
set(unpacked "${OUT_DIR}/unpacked")
set(debug_unpacked "${OUT_DIR}/debug")
file(REMOVE_RECURSE "${OUT_DIR}")
file(ARCHIVE_EXTRACT INPUT "${ARCHIVE}" DESTINATION "${unpacked}")
file(ARCHIVE_EXTRACT INPUT "${DEBUG_ARCHIVE}" DESTINATION "${debug_unpacked}")
set(top "${unpacked}/${NAME}")
string(REPLACE "|" ";" binaries "${BINARIES}")

function(listing folder out)
  file(GLOB_RECURSE found RELATIVE "${folder}" "${folder}/*")
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE examples RELATIVE "${SOURCE}" "${SOURCE}/examples/*")
set(expected ${binaries} README.md CHANGELOG.md docs/commands.md docs/configuration.md
    docs/installing.md docs/simulator.md ${examples})
list(TRANSFORM expected PREPEND "${NAME}/")
list(SORT expected)
listing("${unpacked}" found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "${ARCHIVE} holds\n  ${found}\ninstead of\n  ${expected}")
endif()
foreach(file ${examples} CHANGELOG.md)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${top}/${file}" "${SOURCE}/${file}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${file} in ${ARCHIVE} differs from the source's")
  endif()
endforeach()

set(expected_debug ${binaries})
list(TRANSFORM expected_debug APPEND ".debug")
list(TRANSFORM expected_debug PREPEND "${NAME}/")
list(SORT expected_debug)
listing("${debug_unpacked}" found)
if(NOT found STREQUAL expected_debug)
  message(FATAL_ERROR "${DEBUG_ARCHIVE} holds\n  ${found}\ninstead of\n  ${expected_debug}")
endif()

# Shipped without debug information but linked to it; the debug file holds it.
foreach(binary ${binaries})
  execute_process(COMMAND "${OBJDUMP}" -h "${top}/${binary}" OUTPUT_VARIABLE sections
                  COMMAND_ERROR_IS_FATAL ANY)
  if(sections MATCHES "\\.debug_info" OR NOT sections MATCHES "\\.gnu_debuglink")
    message(FATAL_ERROR "${binary} in ${ARCHIVE} is not stripped and linked to its debug file:\n"
                        "${sections}")
  endif()
  execute_process(COMMAND "${OBJDUMP}" -h "${debug_unpacked}/${NAME}/${binary}.debug"
                  OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
  if(NOT sections MATCHES "\\.debug_info")
    message(FATAL_ERROR "${binary}.debug in ${DEBUG_ARCHIVE} holds no debug information")
  endif()
endforeach()

# The unpacked program, away from the build: its own version, a check of the example
# configuration, and the tour with the archive's own examples.
set(program "${PROGRAM}")
execute_process(COMMAND ${EMULATOR} "${top}/${program}" --version OUTPUT_VARIABLE version
                RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT version MATCHES "^beastfinder-sim [0-9]+\\.[0-9]+\\.[0-9]+\r?\n$")
  message(FATAL_ERROR "the unpacked ${program} --version: exit code ${code}, printed ${version}")
endif()
file(COPY "${SOURCE}/tests/transcripts/tour.txt" "${SOURCE}/tests/transcripts/check-example.txt"
     DESTINATION "${top}/tests/transcripts")
foreach(transcript tour check-example)
  execute_process(COMMAND ${CMAKE_COMMAND} "-DSIM=${top}/${program}" "-DEMULATOR=${EMULATOR}"
                          "-DTRANSCRIPT=${top}/tests/transcripts/${transcript}.txt"
                          "-DOUT_DIR=${OUT_DIR}/transcripts"
                          -P "${SOURCE}/tests/transcripts/run.cmake"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "the unpacked ${program} does not replay ${transcript}.txt")
  endif()
endforeach()
file(REMOVE_RECURSE "${OUT_DIR}")
