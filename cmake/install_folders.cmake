# Run by `cmake --install` before it lays out any file: notes the folders
# that the install is about to create (the program's, the manual section's
# and the documents' folders, and those of their parents that do not exist
# yet), so that the uninstall can remove them again once they are empty.
# capitalsFolders holds the folders, relative to the prefix or absolute;
# capitalsList names the list to write, beside the install manifest (the
# component's name is added, as to the manifest, when one is installed, as
# cpack does). Folders noted by an earlier install stay in the list.
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
  while(NOT EXISTS "$ENV{DESTDIR}${folder}")
    list(APPEND created "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES created)
list(JOIN created "\n" text)
file(WRITE "${capitalsList}" "${text}\n")
