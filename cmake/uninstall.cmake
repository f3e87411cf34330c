# Removes what `cmake --install` installed: the files that its manifest
# lists, then the folders of the program's own (share/doc/capitals) that
# this leaves empty; folders shared with other programs (bin/, the manual's
# section folders) stay. Says what it removes.
#
#   cmake -D MANIFEST=build/install_manifest.txt -P uninstall.cmake
#
# Run by the uninstall target. The manifest lists the files without DESTDIR:
# an install made with DESTDIR is removed with the same DESTDIR set. A file
# already gone is reported and passed over; one that cannot be removed is an
# error.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Uninstall: no ${MANIFEST}: nothing was installed from this build folder")
endif()
file(STRINGS "${MANIFEST}" installed)
set(removed 0)
set(folders "")
foreach(file IN LISTS installed)
  set(file "$ENV{DESTDIR}${file}")
  if(NOT EXISTS "${file}" AND NOT IS_SYMLINK "${file}")
    message(STATUS "Already gone: ${file}")
    continue()
  endif()
  file(REMOVE "${file}")
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(FATAL_ERROR "Uninstall: cannot remove ${file}")
  endif()
  message(STATUS "Removed: ${file}")
  math(EXPR removed "${removed} + 1")
  get_filename_component(folder "${file}" DIRECTORY)
  list(APPEND folders "${folder}")
endforeach()
list(REMOVE_DUPLICATES folders)
foreach(folder IN LISTS folders)
  get_filename_component(name "${folder}" NAME)
  file(GLOB left "${folder}/*")
  if(name STREQUAL "capitals" AND IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
    message(STATUS "Removed: ${folder}/")
  endif()
endforeach()
list(LENGTH installed listed)
message(STATUS "Uninstall: ${removed} of the ${listed} installed files removed")
