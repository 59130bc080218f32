# Cross build of the Windows module with Debian's MinGW-w64 (posix thread model).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Tests run under wine through scripts/wine-run (see cmake/windows.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BF_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BF_MINGW_TRIPLE}-windres)

# Only the cross toolchain's own libraries; the host's /usr/include must never be searched.
set(CMAKE_FIND_ROOT_PATH /usr/${BF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
