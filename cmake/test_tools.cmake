# capitals_find_test_tool(<switch> <package> <what> <framework> <debian-package>)
#
# Decides whether the tests or benchmarks that need <package> are built, and
# says so: never when BUILD_TESTING is OFF or <switch> is OFF; when <switch>
# is AUTO, only if <package> is found; when <switch> is ON, <package> is
# required. Sets CAPITALS_BUILD_<package> to ON or OFF.
macro(capitals_find_test_tool switch package what framework debianPackage)
  set(CAPITALS_BUILD_${package} OFF)
  if(NOT BUILD_TESTING)
    message(STATUS "${what}: not built (BUILD_TESTING is OFF)")
  elseif("${${switch}}" STREQUAL "AUTO")
    find_package(${package} QUIET)
    if(${package}_FOUND)
      set(CAPITALS_BUILD_${package} ON)
      message(STATUS "${what}: built (${framework} found)")
    else()
      message(STATUS "${what}: skipped, ${framework} not found (on Debian or Ubuntu: "
        "apt-get install ${debianPackage}); the program builds without it")
    endif()
  elseif(${switch})
    find_package(${package} REQUIRED)
    set(CAPITALS_BUILD_${package} ON)
    message(STATUS "${what}: built")
  else()
    message(STATUS "${what}: not built (${switch} is OFF)")
  endif()
endmacro()
