# Cross-build for 64-bit ARM Linux with Debian's aarch64 cross compilers
# (g++-aarch64-linux-gnu):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#   cmake --build build-arm64
# gives build-arm64/capitals for aarch64, which runs on an arm64 machine or
# here under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CAPITALS_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CAPITALS_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${CAPITALS_CROSS_PREFIX}-g++)

# Libraries and headers come from the aarch64 tree only (and from the
# prefixes given in CMAKE_PREFIX_PATH, such as a GoogleTest built for
# aarch64); programs that the build runs come from the host. pkg-config
# looks at the aarch64 libraries only, never at the host's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${CAPITALS_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CAPITALS_CROSS_PREFIX}/pkgconfig)

# Programs built here run under qemu-user when the build asks to run them
# (the test list is read from the test program), with the aarch64 C library.
find_program(CAPITALS_QEMU_AARCH64 qemu-aarch64)
if(CAPITALS_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CAPITALS_QEMU_AARCH64} -L /usr/${CAPITALS_CROSS_PREFIX})
endif()
