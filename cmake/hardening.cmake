# The hardening a distribution builds its programs with, on by default for
# the program's own build with GCC or Clang on Linux: a position-independent
# executable, full RELRO with immediate binding (-z relro -z now), a
# non-executable stack, the strong stack protector, stack clash protection,
# control-flow protection where the compiler has it, and _FORTIFY_SOURCE in
# the optimised build types. The sanitizer and fuzz builds bring their own
# instrumentation and are left as they are.
#
# The flags are put in front of CMAKE_CXX_FLAGS and CMAKE_EXE_LINKER_FLAGS,
# so that what the user passes (CXXFLAGS, LDFLAGS, dpkg-buildflags, -D on the
# command line) comes after them on the compiler's command line and wins:
# -fno-stack-protector or -Wl,-z,lazy undo the matching flag. A user's own
# _FORTIFY_SOURCE is left alone, and ours is not added then.
option(CAPITALS_HARDEN "Build the program with the hardening flags of a distribution" ON)

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

# Sets CAPITALS_HARDENED to ON when the flags are added.
function(capitals_harden)
  set(CAPITALS_HARDENED OFF PARENT_SCOPE)
  if(NOT CAPITALS_HARDEN OR CAPITALS_SANITIZE OR CAPITALS_FUZZ
      OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux"
      OR NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
    return()
  endif()

  set(CAPITALS_HARDENED ON PARENT_SCOPE)
  check_pie_supported(OUTPUT_VARIABLE pieMessage LANGUAGES CXX)
  if(CMAKE_CXX_LINK_PIE_SUPPORTED)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON PARENT_SCOPE)
  else()
    message(WARNING "Hardening: no position-independent executable: ${pieMessage}")
  endif()

  set(compile -fstack-protector-strong)
  foreach(flag -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "CAPITALS_HAS${flag}" result)
    check_cxx_compiler_flag(${flag} ${result})
    if(${result})
      list(APPEND compile ${flag})
    endif()
  endforeach()
  list(JOIN compile " " compile)
  set(CMAKE_CXX_FLAGS "${compile} ${CMAKE_CXX_FLAGS}" PARENT_SCOPE)
  set(CMAKE_EXE_LINKER_FLAGS "-Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack ${CMAKE_EXE_LINKER_FLAGS}"
    PARENT_SCOPE)

  # _FORTIFY_SOURCE works only with optimisation: it goes into the optimised
  # build types' flags. Level 3 where the compiler and C library know it
  # (GCC 12, glibc 2.34), else 2. The -U first drops a compiler's built-in
  # default, which would otherwise be "redefined".
  if(CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    return()
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    set(level 3)
  elseif(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 9)
    set(level 3)
  else()
    set(level 2)
  endif()
  foreach(type RELEASE RELWITHDEBINFO MINSIZEREL)
    if(NOT CMAKE_CXX_FLAGS_${type} MATCHES "_FORTIFY_SOURCE")
      set(CMAKE_CXX_FLAGS_${type} "-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${level} ${CMAKE_CXX_FLAGS_${type}}"
        PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

capitals_harden()
