# The Windows (MinGW-w64) cross build: Debian's fmt, spdlog and JSON headers, a static C++ runtime
# in every module, and tests run under wine. Included by the top-level CMakeLists.txt in
# place of the native find_package calls.
if(NOT MINGW)
  message(FATAL_ERROR "The Windows build needs the MinGW-w64 toolchain "
                      "(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)")
endif()
if(BF_SANITIZE)
  message(FATAL_ERROR "BF_SANITIZE is not available with MinGW-w64")
endif()

# Every module carries its own copy of the C++ runtime, so the plugin is one self-contained
# DLL and no libstdc++-6.dll of another plugin can be picked up in its place. All copies
# allocate from msvcrt's heap, and all come from this one compiler, so the std::string,
# std::wstring and shared_ptr values that cross the framework boundary agree on both sides.
add_link_options(-static)

# DLLs are found beside the program that loads them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Debian's headers through a folder that holds only them: /usr/include itself would bring
# the native C library's headers onto the cross compiler's path.
set(BF_WINDOWS_INCLUDE ${CMAKE_BINARY_DIR}/windows-include)
file(MAKE_DIRECTORY ${BF_WINDOWS_INCLUDE})
foreach(tree fmt spdlog nlohmann)
  if(NOT IS_DIRECTORY /usr/include/${tree})
    message(FATAL_ERROR "/usr/include/${tree} is missing: run scripts/setup-deps")
  endif()
  file(CREATE_LINK /usr/include/${tree} ${BF_WINDOWS_INCLUDE}/${tree} SYMBOLIC)
endforeach()

add_library(bf-fmt INTERFACE)
target_include_directories(bf-fmt SYSTEM INTERFACE ${BF_WINDOWS_INCLUDE})
target_compile_definitions(bf-fmt INTERFACE FMT_HEADER_ONLY)
add_library(fmt::fmt ALIAS bf-fmt)

add_library(bf-spdlog STATIC ${CMAKE_CURRENT_LIST_DIR}/spdlog-compiled.cpp)
target_compile_definitions(bf-spdlog PUBLIC SPDLOG_COMPILED_LIB SPDLOG_FMT_EXTERNAL)
target_link_libraries(bf-spdlog PUBLIC bf-fmt)
add_library(spdlog::spdlog ALIAS bf-spdlog)

add_library(bf-json INTERFACE)
target_include_directories(bf-json SYSTEM INTERFACE ${BF_WINDOWS_INCLUDE})
add_library(nlohmann_json::nlohmann_json ALIAS bf-json)

find_package(Threads REQUIRED)

if(BF_BUILD_TESTS)
  set(BF_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS ${BF_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "${BF_GOOGLETEST_SOURCE} is missing: run scripts/setup-deps")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${BF_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()

  # Tests run under wine in a prefix of this build's own; scripts/wine-run boots it once.
  set(BF_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${BF_WINE_PREFIX})
endif()

# Names the plugin and the simulator look for: beastfinder-host.dll, not MinGW's
# libbeastfinder-host.dll. The simulated host exports everything so that the simulator and
# the tests reach its internals as they do natively; the plugin still sees only framework.h.
function(bf_windows_targets)
  set_target_properties(beastfinder-host PROPERTIES PREFIX "" IMPORT_PREFIX "")
  # The static runtime stays private to each module.
  target_link_options(beastfinder-host PRIVATE -Wl,--export-all-symbols -Wl,--exclude-libs,libgcc_eh.a:libwinpthread.a:libpthread.a:libbf-spdlog.a)
endfunction()
