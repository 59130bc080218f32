# The module a real server loads, built with MSVC against the framework's SDK, and the server
# package. Only the plugin builds here: the simulator and the tests need the simulated host.
# See docs/building-for-windows.md; configure with `cmake --preset windows-msvc`.
#
# BF_ARKAPI_SDK is the framework's SDK folder as its repository lays it out:
#   out_lib/ArkApi.lib                    the framework's import library (version.dll)
#   version/Core/Public/Logger/spdlog/    the spdlog its log sinks are built with
set(BF_ARKAPI_SDK "" CACHE PATH "The framework's SDK folder (out_lib/ArkApi.lib, version/Core/Public)")
set(bf_arkapi_lib "${BF_ARKAPI_SDK}/out_lib/ArkApi.lib")
set(bf_sdk_logger "${BF_ARKAPI_SDK}/version/Core/Public/Logger")
if(NOT EXISTS "${bf_arkapi_lib}" OR NOT EXISTS "${bf_sdk_logger}/spdlog/logger.h")
  message(FATAL_ERROR "BF_ARKAPI_SDK must name the framework's SDK folder, which holds "
                      "out_lib/ArkApi.lib and version/Core/Public/Logger/spdlog/logger.h; it is "
                      "\"${BF_ARKAPI_SDK}\". Pass -DBF_ARKAPI_SDK=<folder>.")
endif()

# From vcpkg (vcpkg.json), static, so the module imports only the framework, the OS and the
# C++ runtime.
find_package(fmt CONFIG REQUIRED)
find_package(nlohmann_json 3 CONFIG REQUIRED)

# std::string, std::vector and std::function cross between the framework and the module, so
# both use the release runtime (/MD) and its container layout in every configuration.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)
set(CMAKE_MAP_IMPORTED_CONFIG_DEBUG Release)
add_compile_definitions(_ITERATOR_DEBUG_LEVEL=0 NOMINMAX WIN32_LEAN_AND_MEAN)
add_compile_options(/W4 /utf-8 /Zc:__cplusplus /Zi)
# A release with its PDB beside it; the module names the PDB without the build's path.
add_link_options(/DEBUG /OPT:REF /OPT:ICF /PDBALTPATH:%_PDB%)

# The framework's own spdlog, in the one unit that logs; it does not compile as C++20.
add_library(beastfinder-logger OBJECT src/host/logger.cpp)
set_target_properties(beastfinder-logger PROPERTIES CXX_STANDARD 17)
target_include_directories(beastfinder-logger PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_include_directories(beastfinder-logger SYSTEM PRIVATE ${bf_sdk_logger})
target_compile_definitions(beastfinder-logger PRIVATE _SILENCE_ALL_CXX17_DEPRECATION_WARNINGS)

file(GLOB bf_sources CONFIGURE_DEPENDS src/host/*.cpp src/config/*.cpp src/search/*.cpp
     src/present/*.cpp src/commands/*.cpp src/plugin/*.cpp)
# The schema and default-file writers serve only the tools. /OPT:REF would drop them from an
# optimised link (/O2 implies /Gy) but not from a Debug one; they are not compiled at all.
list(REMOVE_ITEM bf_sources ${CMAKE_SOURCE_DIR}/src/host/logger.cpp
     ${CMAKE_SOURCE_DIR}/src/config/schema.cpp)
add_library(Beastfinder MODULE ${bf_sources} $<TARGET_OBJECTS:beastfinder-logger>)
target_include_directories(Beastfinder PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(Beastfinder PRIVATE fmt::fmt nlohmann_json::nlohmann_json
                      "${bf_arkapi_lib}")

# The server package: Beastfinder/ ready to unpack into ArkApi/Plugins/, and the PDB in an
# archive of its own with the same top folder.
set(BF_SERVER_NAME Beastfinder-${PROJECT_VERSION}-server-win64)
set(bf_stage ${CMAKE_BINARY_DIR}/server-package)
set(bf_zip ${CMAKE_BINARY_DIR}/${BF_SERVER_NAME}.zip)
set(bf_debug_zip ${CMAKE_BINARY_DIR}/${BF_SERVER_NAME}-debug.zip)
add_custom_target(package-plugin
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${bf_stage} ${bf_zip} ${bf_debug_zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bf_stage}/release/Beastfinder
          ${bf_stage}/debug/Beastfinder
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Beastfinder>
          ${CMAKE_SOURCE_DIR}/package/config.json ${CMAKE_SOURCE_DIR}/package/config.schema.json
          ${CMAKE_BINARY_DIR}/PluginInfo.json ${bf_stage}/release/Beastfinder
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_PDB_FILE:Beastfinder> ${bf_stage}/debug/Beastfinder
  COMMAND ${CMAKE_COMMAND} -E chdir ${bf_stage}/release
          ${CMAKE_COMMAND} -E tar cf ${bf_zip} --format=zip Beastfinder
  COMMAND ${CMAKE_COMMAND} -E chdir ${bf_stage}/debug
          ${CMAKE_COMMAND} -E tar cf ${bf_debug_zip} --format=zip Beastfinder
  COMMENT "Packing ${bf_zip} and ${bf_debug_zip}"
  VERBATIM)
add_dependencies(package-plugin Beastfinder)
