# The release zip unpacks to Beastfinder/ holding exactly the packaged folder's files.
#   cmake -DZIP=<zip> -DPACKAGE_DIR=<folder> -DMODULE=<module file name> -DOUT_DIR=<dir> -P package_zip.cmake
cmake_minimum_required(VERSION 3.20)
set(unpacked "${OUT_DIR}/unpacked")
file(REMOVE_RECURSE "${unpacked}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${unpacked}")
file(GLOB_RECURSE found LIST_DIRECTORIES true RELATIVE "${unpacked}" "${unpacked}/*")
list(SORT found)
set(expected Beastfinder Beastfinder/${MODULE} Beastfinder/PluginInfo.json
    Beastfinder/config.json Beastfinder/config.schema.json)
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds\n  ${found}\ninstead of\n  ${expected}")
endif()
foreach(name ${MODULE} PluginInfo.json config.json config.schema.json)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${unpacked}/Beastfinder/${name}"
                          "${PACKAGE_DIR}/${name}" RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name} in ${ZIP} differs from the packaged folder's")
  endif()
endforeach()
file(REMOVE_RECURSE "${unpacked}")
