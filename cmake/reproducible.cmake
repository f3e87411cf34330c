# The same source gives the same program and packages, byte for byte,
# wherever it is built and whenever.
#
# - The source and build folders never reach the program: the compiler
#   writes them as "." in the debug information and in __FILE__. (The
#   program uses no __DATE__ or __TIME__.)
# - One time stands for every time in the packages, CAPITALS_SOURCE_DATE_EPOCH:
#   SOURCE_DATE_EPOCH from the environment when set (as Debian's builds set
#   it), else the time of the last commit in a git checkout, else the time
#   that the source tarball carries in cmake/source_date_epoch (git archive
#   writes the commit's time into that file), else the date of the newest
#   release in NEWS. cpack is given it as SOURCE_DATE_EPOCH, for the times
#   inside the archives.

if(CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
  # The build folder after the source folder: when it lies inside the
  # source, the later map is the one the compiler applies to its files.
  set(CMAKE_CXX_FLAGS
    "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=. ${CMAKE_CXX_FLAGS}")
endif()

function(capitals_source_date_epoch result)
  if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    set(${result} "$ENV{SOURCE_DATE_EPOCH}" PARENT_SCOPE)
    return()
  endif()
  find_package(Git QUIET)
  if(GIT_FOUND AND EXISTS "${PROJECT_SOURCE_DIR}/.git")
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" log -1 --format=%ct
      OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(time MATCHES "^[0-9]+$")
      set(${result} ${time} PARENT_SCOPE)
      return()
    endif()
  endif()
  file(STRINGS "${PROJECT_SOURCE_DIR}/cmake/source_date_epoch" time LIMIT_COUNT 1)
  if(time MATCHES "^[0-9]+$")
    set(${result} ${time} PARENT_SCOPE)
    return()
  endif()
  file(STRINGS "${PROJECT_SOURCE_DIR}/NEWS" headings
    REGEX "^[a-z0-9.+-]+ [0-9][0-9A-Za-z.+~]* \\([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\\)$")
  list(GET headings 0 newest)
  string(REGEX REPLACE ".*\\((.*)\\)$" "\\1" day "${newest}")
  # Midnight UTC of that day, in seconds: the days since 1970-01-01 counted
  # from the civil date (the proleptic Gregorian calendar).
  string(REGEX MATCHALL "[0-9]+" parts "${day}")
  list(TRANSFORM parts REPLACE "^0+([0-9])" "\\1")
  list(GET parts 0 y)
  list(GET parts 1 m)
  list(GET parts 2 d)
  if(m LESS_EQUAL 2)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR era "${y} / 400")
  math(EXPR yoe "${y} - ${era} * 400")
  math(EXPR mp "(${m} + 9) % 12")
  math(EXPR doy "(153 * ${mp} + 2) / 5 + ${d} - 1")
  math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
  math(EXPR days "${era} * 146097 + ${doe} - 719468")
  math(EXPR time "${days} * 86400")
  set(${result} ${time} PARENT_SCOPE)
endfunction()

capitals_source_date_epoch(CAPITALS_SOURCE_DATE_EPOCH)
