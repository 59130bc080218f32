# The administrator's tools: the simulator with its modules, the examples and the guides, so
# that a configuration can be checked and players' screens previewed on the administrator's own
# machine. Not a server package: the module in it is the simulator's build. Programs and
# modules are stripped; their debug information goes into a second archive, each file beside
# where its program lies once both are unpacked into one folder.
if(WIN32)
  set(bf_tools_platform windows-x64)
  set(bf_tools_format zip)
  set(bf_tools_extension zip)
else()
  set(bf_tools_platform linux-${CMAKE_SYSTEM_PROCESSOR})
  set(bf_tools_format gnutar)
  set(bf_tools_extension tar.gz)
endif()
set(BF_TOOLS_NAME Beastfinder-${PROJECT_VERSION}-admin-tools-${bf_tools_platform})
set(BF_TOOLS_ARCHIVE ${CMAKE_BINARY_DIR}/${BF_TOOLS_NAME}.${bf_tools_extension})
set(BF_TOOLS_DEBUG_ARCHIVE ${CMAKE_BINARY_DIR}/${BF_TOOLS_NAME}-debug.${bf_tools_extension})
set(BF_TOOLS_DOCS commands.md configuration.md installing.md simulator.md)

set(bf_tools_targets beastfinder-sim beastfinder-host Beastfinder ArkShop CoinVault Permissions)
# Unpacked anywhere, the program finds its libraries beside it.
set_target_properties(${bf_tools_targets} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${bf_tools_targets}
        RUNTIME DESTINATION . COMPONENT tools
        LIBRARY DESTINATION . COMPONENT tools
        ARCHIVE DESTINATION lib COMPONENT development)
install(FILES package/admin-tools-README.md DESTINATION . RENAME README.md COMPONENT tools)
install(FILES CHANGELOG.md DESTINATION . COMPONENT tools)
list(TRANSFORM BF_TOOLS_DOCS PREPEND ${CMAKE_SOURCE_DIR}/docs/ OUTPUT_VARIABLE bf_tools_doc_files)
install(FILES ${bf_tools_doc_files} DESTINATION docs COMPONENT tools)
install(DIRECTORY examples/ DESTINATION examples COMPONENT tools)

set(bf_tools_names "")
foreach(target ${bf_tools_targets})
  list(APPEND bf_tools_names "$<TARGET_FILE_NAME:${target}>")
endforeach()
string(JOIN "|" BF_TOOLS_BINARIES ${bf_tools_names})
file(GLOB_RECURSE bf_tools_examples CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/*)
add_custom_command(
  OUTPUT ${BF_TOOLS_ARCHIVE} ${BF_TOOLS_DEBUG_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSTAGE=${CMAKE_BINARY_DIR}/admin-tools
          -DNAME=${BF_TOOLS_NAME} "-DBINARIES=${BF_TOOLS_BINARIES}" -DOBJCOPY=${CMAKE_OBJCOPY}
          -DFORMAT=${bf_tools_format} -DARCHIVE=${BF_TOOLS_ARCHIVE}
          -DDEBUG_ARCHIVE=${BF_TOOLS_DEBUG_ARCHIVE} -P ${CMAKE_SOURCE_DIR}/cmake/release-archive.cmake
  DEPENDS ${bf_tools_targets} ${CMAKE_SOURCE_DIR}/cmake/release-archive.cmake
          ${CMAKE_SOURCE_DIR}/package/admin-tools-README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md
          ${bf_tools_doc_files} ${bf_tools_examples}
  COMMENT "Packing ${BF_TOOLS_ARCHIVE} and its debug information"
  VERBATIM)
add_custom_target(package-tools DEPENDS ${BF_TOOLS_ARCHIVE} ${BF_TOOLS_DEBUG_ARCHIVE})
