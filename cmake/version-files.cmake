# The files besides project() that carry the version: PluginInfo.json, written here for the
# server package, and vcpkg.json, checked. The framework reads PluginInfo.json's Version as a
# number and logs it as a float: major, then two digits each of minor and patch after the
# point (1.2.3 is 1.0203), so every release has its own number and a later one is larger.
if(PROJECT_VERSION_MINOR GREATER 99 OR PROJECT_VERSION_PATCH GREATER 99)
  message(FATAL_ERROR "minor and patch versions must stay below 100 to fit PluginInfo.json's Version")
endif()
function(bf_two_digits value out)
  if(value LESS 10)
    set(value "0${value}")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
bf_two_digits(${PROJECT_VERSION_MINOR} bf_minor)
bf_two_digits(${PROJECT_VERSION_PATCH} bf_patch)
set(BF_PLUGIN_VERSION "${PROJECT_VERSION_MAJOR}.${bf_minor}${bf_patch}")
# Every framework call is imported by name, so a framework that lacks one refuses the module
# anyway; a higher gate could only refuse a server that would have worked.
set(BF_MIN_API_VERSION "1.0" CACHE STRING "MinApiVersion written to PluginInfo.json (a number)")
if(NOT BF_MIN_API_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?$")
  message(FATAL_ERROR "BF_MIN_API_VERSION must be a number such as 1.0, not \"${BF_MIN_API_VERSION}\"")
endif()
configure_file(${CMAKE_SOURCE_DIR}/package/PluginInfo.json.in ${CMAKE_BINARY_DIR}/PluginInfo.json
               @ONLY)

# vcpkg's manifest carries the version too; it must be this one.
file(READ ${CMAKE_SOURCE_DIR}/vcpkg.json bf_manifest)
string(JSON bf_manifest_version GET "${bf_manifest}" version-string)
if(NOT bf_manifest_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "vcpkg.json's version-string is ${bf_manifest_version}, the project's "
                      "${PROJECT_VERSION}: change both together")
endif()
