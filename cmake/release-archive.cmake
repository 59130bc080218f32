# Installs one build's tools component into a fresh folder, moves the debug information of
# every program and module out into a folder of its own, and archives both.
#   cmake -DBUILD=<build dir> -DSTAGE=<scratch dir> -DNAME=<top folder> -DBINARIES=<a|b|...>
#         -DOBJCOPY=<objcopy> -DFORMAT=<zip|gnutar> -DARCHIVE=<file> -DDEBUG_ARCHIVE=<file>
#         -P release-archive.cmake
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE "${STAGE}" "${ARCHIVE}" "${DEBUG_ARCHIVE}")
set(release "${STAGE}/release/${NAME}")
set(debug "${STAGE}/debug/${NAME}")
file(MAKE_DIRECTORY "${debug}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --component tools
                        --prefix "${release}"
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed ERROR_VARIABLE error)
  if(failed)
    message(FATAL_ERROR "${ARGN}: ${error}")
  endif()
endfunction()

string(REPLACE "|" ";" binaries "${BINARIES}")
foreach(binary ${binaries})
  # The link records only the debug file's name and checksum; debuggers look beside the program.
  run("${OBJCOPY}" --only-keep-debug "${release}/${binary}" "${debug}/${binary}.debug")
  run("${OBJCOPY}" --strip-all "${release}/${binary}")
  run("${CMAKE_COMMAND}" -E chdir "${debug}"
      "${OBJCOPY}" "--add-gnu-debuglink=${binary}.debug" "${release}/${binary}")
endforeach()

if(FORMAT STREQUAL "zip")
  set(flags cf)
  set(format --format=zip)
else()
  set(flags czf)
  set(format --format=gnutar)
endif()
run("${CMAKE_COMMAND}" -E chdir "${STAGE}/release" "${CMAKE_COMMAND}" -E tar ${flags} "${ARCHIVE}"
    ${format} "${NAME}")
run("${CMAKE_COMMAND}" -E chdir "${STAGE}/debug" "${CMAKE_COMMAND}" -E tar ${flags}
    "${DEBUG_ARCHIVE}" ${format} "${NAME}")
