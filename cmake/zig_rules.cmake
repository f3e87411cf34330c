# Read by CMake after its own rules for the compiler (zig.cmake names it):
# Zig's linker takes no -v, which CMake's rules for Apple's Clang add to the
# compiler check that finds the target's pointer size and libraries.
set(CMAKE_C_VERBOSE_FLAG "-v")
set(CMAKE_CXX_VERBOSE_FLAG "-v")
