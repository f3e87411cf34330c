# Cross-build for 64-bit Windows with the mingw-w64 compilers of the POSIX
# thread model (they provide std::thread and std::mutex):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   cmake --build build-windows
# gives build-windows/capitals.exe, linked statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CAPITALS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CAPITALS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CAPITALS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CAPITALS_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw-w64 tree only; programs that the
# build runs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${CAPITALS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine when the build asks to run them.
find_program(CAPITALS_WINE wine)
if(CAPITALS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CAPITALS_WINE})
endif()
