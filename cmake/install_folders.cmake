# Run by `cmake --install` before it lays out any file: notes the folders
# that the install is about to create (the program's, the manual section's
# and the documents' folders, and those of their parents that do not exist
# yet), so that the uninstall can remove them again once they are empty.
# capitalsFolders holds the folders, relative to the prefix or absolute;
# capitalsList names the list to write, beside the install manifest (the
# component's name is added, as to the manifest, when one is installed, as
# cpack does). Folders noted by an earlier install stay in the list until
# the uninstall removes them.
if(CMAKE_INSTALL_COMPONENT)
  set(capitalsList "${capitalsList}_${CMAKE_INSTALL_COMPONENT}")
endif()
set(capitalsList "${capitalsList}.txt")
set(created "")
if(EXISTS "${capitalsList}")
  file(STRINGS "${capitalsList}" created)
endif()
foreach(folder IN LISTS capitalsFolders)
  if(NOT IS_ABSOLUTE "${folder}")
    set(folder "${CMAKE_INSTALL_PREFIX}/${folder}")
  endif()
  # The folders as they are on the disk, DESTDIR included, up to the first
  # one that exists.
  set(folder "$ENV{DESTDIR}${folder}")
  while(NOT EXISTS "${folder}")
    list(APPEND created "${folder}")
    get_filename_component(parent "${folder}" DIRECTORY)
    if(parent STREQUAL folder OR parent STREQUAL "")
      break()
    endif()
    set(folder "${parent}")
  endwhile()
endforeach()
list(REMOVE_DUPLICATES created)
list(REMOVE_ITEM created "")
list(JOIN created "\n" text)
file(WRITE "${capitalsList}" "${text}\n")
