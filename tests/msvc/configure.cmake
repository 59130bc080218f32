# The server module's build as CMake lays it out for MSVC, configured here with clang-cl in its
# place (nothing is compiled: MSVC's library headers are not on this machine). Checks the
# presets parse, a wrong SDK folder is named, and that only the plugin is built, as C++20 with
# the logger as C++17 over the SDK's spdlog, all with /MD, linked against ArkApi.lib.
#   cmake -DSOURCE=<source dir> -DOUT_DIR=<dir> -DCLANG_CL=<clang-cl> -DLLD_LINK=<lld-link>
#         -DLLVM_LIB=<llvm-lib> -DLLVM_RC=<llvm-rc> -DLLVM_MT=<llvm-mt> -DNINJA=<ninja>
#         -P configure.cmake
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE "${OUT_DIR}")

execute_process(COMMAND "${CMAKE_COMMAND}" --list-presets=all WORKING_DIRECTORY "${SOURCE}"
                OUTPUT_VARIABLE presets ERROR_VARIABLE presets RESULT_VARIABLE failed)
foreach(preset windows-msvc windows-msvc-2022)
  if(failed OR NOT presets MATCHES "\"${preset}\"")
    message(FATAL_ERROR "CMakePresets.json does not offer ${preset}:\n${presets}")
  endif()
endforeach()

set(sdk "${OUT_DIR}/sdk")
file(WRITE "${sdk}/out_lib/ArkApi.lib" "")
file(WRITE "${sdk}/version/Core/Public/Logger/spdlog/logger.h" "")

function(configure build sdk_dir out_result out_log)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE}" -B "${build}" -G Ninja
            "-DCMAKE_MAKE_PROGRAM=${NINJA}" -DCMAKE_SYSTEM_NAME=Windows
            "-DCMAKE_CXX_COMPILER=${CLANG_CL}" "-DCMAKE_LINKER=${LLD_LINK}" "-DCMAKE_AR=${LLVM_LIB}"
            "-DCMAKE_RC_COMPILER=${LLVM_RC}" "-DCMAKE_MT=${LLVM_MT}"
            -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -DCMAKE_BUILD_TYPE=Release
            "-Dfmt_DIR=${SOURCE}/tests/msvc" "-Dnlohmann_json_DIR=${SOURCE}/tests/msvc"
            "-DBF_ARKAPI_SDK=${sdk_dir}"
    OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  set(${out_result} "${result}" PARENT_SCOPE)
  set(${out_log} "${log}" PARENT_SCOPE)
endfunction()

configure("${OUT_DIR}/no-sdk" "${OUT_DIR}/nowhere" result log)
if(result EQUAL 0 OR NOT log MATCHES "BF_ARKAPI_SDK must name the framework's SDK folder")
  message(FATAL_ERROR "a missing SDK folder is not named:\n${log}")
endif()

set(build "${OUT_DIR}/build")
configure("${build}" "${sdk}" result log)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring for MSVC failed:\n${log}")
endif()

execute_process(COMMAND "${NINJA}" -C "${build}" -t targets all OUTPUT_VARIABLE targets
                COMMAND_ERROR_IS_FATAL ANY)
foreach(absent beastfinder-sim beastfinder-host ArkShop beastfinder-tests)
  if(targets MATCHES "(^|\n)${absent}[:.]")
    message(FATAL_ERROR "the MSVC build also builds ${absent}")
  endif()
endforeach()

execute_process(COMMAND "${NINJA}" -C "${build}" -t commands package-plugin
                OUTPUT_VARIABLE commands COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE ";" "\\;" commands "${commands}")
string(REPLACE "\n" ";" commands "${commands}")
set(compiled 0)
set(linked 0)
set(packed 0)
foreach(command IN LISTS commands)
  if(command MATCHES " -c -- [^ ]*/src/([^ ]+)$")
    set(unit "${CMAKE_MATCH_1}")
    math(EXPR compiled "${compiled} + 1")
    if(unit STREQUAL "config/schema.cpp")
      message(FATAL_ERROR "the module compiles the tools' schema writer:\n${command}")
    endif()
    if(unit STREQUAL "host/logger.cpp")
      set(wanted "-std:c++17")
      if(NOT command MATCHES "sdk/version/Core/Public/Logger")
        message(FATAL_ERROR "the logger is not built over the SDK's spdlog:\n${command}")
      endif()
    else()
      set(wanted "-std:c++20")
      if(command MATCHES "Public/Logger")
        message(FATAL_ERROR "${unit} sees the SDK's spdlog:\n${command}")
      endif()
    endif()
    string(REPLACE "+" "\\+" wanted_pattern "${wanted}")
    if(NOT command MATCHES " ${wanted_pattern} " OR NOT command MATCHES " -MD ")
      message(FATAL_ERROR "${unit} is not compiled with ${wanted} and -MD:\n${command}")
    endif()
  elseif(command MATCHES "/out:Beastfinder\\.dll ")
    set(linked 1)
    if(NOT command MATCHES "/out_lib/ArkApi\\.lib" OR NOT command MATCHES "/DEBUG"
       OR command MATCHES "beastfinder-host")
      message(FATAL_ERROR "Beastfinder.dll is not linked against ArkApi.lib with a PDB:\n${command}")
    endif()
  elseif(command MATCHES "Beastfinder-[0-9.]+-server-win64\\.zip")
    set(packed 1)
    foreach(file Beastfinder.dll config.json config.schema.json PluginInfo.json Beastfinder.pdb)
      if(NOT command MATCHES "/${file} ")
        message(FATAL_ERROR "the server package leaves out ${file}:\n${command}")
      endif()
    endforeach()
  endif()
endforeach()
if(compiled LESS 10 OR NOT linked OR NOT packed)
  message(FATAL_ERROR "package-plugin does not compile, link and pack the module:\n${commands}")
endif()
file(REMOVE_RECURSE "${OUT_DIR}")
