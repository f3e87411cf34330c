# Writes the source tarball: the files git tracks at a commit (HEAD unless
# REVISION names another), in one folder NAME/, as a gzip-compressed tar.
# The same commit gives the same bytes: git archive gives every member the
# commit's time and fixed owners and modes, gzip -n stores no name or time.
# git archive also writes the commit's time into cmake/source_date_epoch,
# where a build of the tarball without git finds it.
#
#   cmake -D SOURCE=. -D NAME=capitals-1.2.0 -D OUTPUT=capitals-1.2.0.tar.gz -P source_tarball.cmake
#
# Run by the dist target.
if(NOT DEFINED REVISION)
  set(REVISION HEAD)
endif()
find_program(GIT git)
find_program(GZIP gzip)
if(NOT GIT OR NOT GZIP OR NOT EXISTS "${SOURCE}/.git")
  message(FATAL_ERROR "The source tarball is made from a git checkout with git and gzip installed")
endif()
# Fixed modes and line endings, whatever the user's git settings say.
execute_process(
  COMMAND "${GIT}" -C "${SOURCE}" -c tar.umask=0022 -c core.autocrlf=false -c core.eol=lf
    archive --format=tar "--prefix=${NAME}/" "${REVISION}"
  COMMAND "${GZIP}" -9 -n
  OUTPUT_FILE "${OUTPUT}.part"
  RESULTS_VARIABLE results)
if(NOT results STREQUAL "0;0")
  file(REMOVE "${OUTPUT}.part")
  message(FATAL_ERROR "The source tarball could not be made (git archive, gzip: ${results})")
endif()
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
file(SIZE "${OUTPUT}" size)
message(STATUS "Source tarball: ${OUTPUT} (${size} bytes)")
