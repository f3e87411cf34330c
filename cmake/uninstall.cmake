# Removes what `cmake --install` installed: the files that its manifest
# lists, then, deepest first, the folders that the install created (as
# install_folders.cmake noted them) once they are empty; folders that were
# there before the install stay. Says what it removes.
#
#   cmake -D MANIFEST=build/install_manifest.txt -D FOLDERS=build/install_folders.txt -P uninstall.cmake
#
# Run by the uninstall target. The manifest holds the files without DESTDIR:
# an install made with DESTDIR is removed with the same DESTDIR set (the
# folders are noted as they are on the disk). A file already gone is
# reported and passed over; one that cannot be removed is an error.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Uninstall: no ${MANIFEST}: nothing was installed from this build folder")
endif()
file(STRINGS "${MANIFEST}" installed)
set(removed 0)
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
endforeach()

set(folders "")
if(EXISTS "${FOLDERS}")
  file(STRINGS "${FOLDERS}" folders)
endif()
# The longest paths first: a folder before the one that holds it. The folders
# still there are kept in the list, for a later uninstall.
list(SORT folders ORDER DESCENDING)
set(kept "")
foreach(folder IN LISTS folders)
  file(GLOB left "${folder}/*")
  if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
    message(STATUS "Removed: ${folder}/")
  elseif(EXISTS "${folder}")
    list(APPEND kept "${folder}")
  endif()
endforeach()
if(kept)
  list(JOIN kept "\n" text)
  file(WRITE "${FOLDERS}" "${text}\n")
else()
  file(REMOVE "${FOLDERS}")
endif()
list(LENGTH installed listed)
message(STATUS "Uninstall: ${removed} of the ${listed} installed files removed")
