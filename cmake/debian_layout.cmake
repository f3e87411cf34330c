# Run by cpack once the install is staged, before the .deb is made: lays the
# files out as Debian's policy asks. The program loses the compiler's notes
# that stripping leaves (as Debian's own packaging does) and goes to
# /usr/games, the manual page and the documents over 4 kB are compressed, the
# licence is the copyright file, and the news becomes the changelog, in
# Debian's changelog format.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(staged "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${staged}/${CPACK_CAPITALS_DOCDIR}")

function(capitals_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Debian layout: `${ARGN}` failed")
  endif()
endfunction()

capitals_run("${CPACK_CAPITALS_STRIP}" --remove-section=.comment --remove-section=.note
  "${staged}/${CPACK_CAPITALS_PROGRAM}")

# Debian keeps games in /usr/games: the program's folder (bin/, which holds
# nothing else) becomes games/.
get_filename_component(programDir "${CPACK_CAPITALS_PROGRAM}" DIRECTORY)
if(NOT programDir STREQUAL "games")
  file(RENAME "${staged}/${programDir}" "${staged}/games")
endif()

file(RENAME "${doc}/LICENSE" "${doc}/copyright")

capitals_run(awk -v "maintainer=${CPACK_PACKAGE_CONTACT}" -f "${CMAKE_CURRENT_LIST_DIR}/debian_changelog.awk"
  "${doc}/NEWS" OUTPUT_FILE "${doc}/changelog")
file(REMOVE "${doc}/NEWS")

# -n: no file name or time stamp inside the compressed files, as Debian's
# packages have them.
capitals_run(gzip -9 -n "${doc}/changelog" "${staged}/${CPACK_CAPITALS_MANDIR}/man6/capitals.6")
file(GLOB documents "${doc}/*")
foreach(document IN LISTS documents)
  file(SIZE "${document}" size)
  if(size GREATER 4096 AND NOT document MATCHES "(/copyright|\\.gz)$")
    capitals_run(gzip -9 -n "${document}")
  endif()
endforeach()
