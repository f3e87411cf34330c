# Install rules and packages: `cmake --install` lays the program out under a
# prefix; `cpack` (the `package` target) makes a .deb from the Linux build and
# a .zip from the Windows build.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # The zip: the program with its README and licence beside it, named so that
  # Windows opens them as text.
  install(TARGETS capitals RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
else()
  # The program goes to bin/, on the PATH of every shell, root's included:
  # the games folder (/usr/local/games) is on the users' PATH on Debian and
  # Ubuntu but not on root's. The .deb moves it to /usr/games, where Debian's
  # policy puts games (debian_layout.cmake). The manual page is in section 6,
  # the games' section.
  set(CAPITALS_INSTALL_PROGRAMDIR ${CMAKE_INSTALL_BINDIR} CACHE STRING
    "Folder of the program under the prefix: bin, or games (not on root's PATH on Debian)")
  install(CODE "set(capitalsFolders \"${CAPITALS_INSTALL_PROGRAMDIR};${CMAKE_INSTALL_MANDIR}/man6;${CMAKE_INSTALL_DOCDIR}\")
    set(capitalsList \"${PROJECT_BINARY_DIR}/install_folders\")")
  install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install_folders.cmake)
  install(TARGETS capitals RUNTIME DESTINATION ${CAPITALS_INSTALL_PROGRAMDIR})
  install(FILES man/capitals.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES README.md NEWS LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # `cmake --build build --target uninstall` removes the files that the last
  # `cmake --install build` wrote, as its install_manifest.txt lists them,
  # and the folders that it created, once they are empty.
  add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -D "MANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt"
      -D "FOLDERS=${PROJECT_BINARY_DIR}/install_folders.txt" -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake
    VERBATIM)
endif()

# `cmake --build build --target dist` makes the source tarball
# capitals-<version>.tar.gz in the build folder from a git checkout: the
# tracked files of the last commit, the same bytes every time.
add_custom_target(dist
  COMMAND ${CMAKE_COMMAND} -D "SOURCE=${PROJECT_SOURCE_DIR}" -D "NAME=${PROJECT_NAME}-${PROJECT_VERSION}"
    -D "OUTPUT=${PROJECT_BINARY_DIR}/${PROJECT_NAME}-${PROJECT_VERSION}.tar.gz"
    -P ${CMAKE_CURRENT_LIST_DIR}/source_tarball.cmake
  VERBATIM)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "the capitals authors")
set(CAPITALS_MAINTAINER "the capitals authors <capitals@example.org>" CACHE STRING
  "The packages' maintainer: a name and a mail address")
set(CPACK_PACKAGE_CONTACT ${CAPITALS_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION [=[
capitals asks the capital of each of the 50 US states in study rounds on
the terminal, judges each typed answer exactly and shows the score and the
missed states at the end of the round. States answered right come back
less often, states missed come back in every round.]=])
set(CPACK_STRIP_FILES ON)
# cpack installs the one component the install rules have, so that its
# staging install writes install_manifest_Unspecified.txt and leaves the
# install_manifest.txt of `cmake --install`, which the uninstall reads.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
# The times inside the packages: SOURCE_DATE_EPOCH, which cpack_time.cmake
# gives cpack when its environment has none (reproducible.cmake).
set(CPACK_CAPITALS_SOURCE_DATE_EPOCH ${CAPITALS_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_time.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Debian's layout: the program without the compiler's notes, the manual
  # page and the long documents compressed, the licence as copyright, the
  # news as the changelog.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian_layout.cmake)
  set(CPACK_CAPITALS_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_CAPITALS_MANDIR ${CMAKE_INSTALL_MANDIR})
  set(CPACK_CAPITALS_PROGRAM ${CAPITALS_INSTALL_PROGRAMDIR}/capitals)
  set(CPACK_CAPITALS_STRIP ${CMAKE_STRIP})
endif()

include(CPack)

# The program for any Linux, when Zig builds it against musl (zig.cmake):
# fully static, and stripped in the optimised build types as the packages'
# programs are. `cmake --build BUILD --target linux-tarball` packs it with
# its manual page, README and licence as
# capitals-<version>-linux-<arch>.tar.gz, the same bytes every time
# (linux_tarball.cmake); tools/linux_tarballs.sh makes both.
if(CAPITALS_ZIG_TARGET MATCHES "-linux-musl$")
  target_link_options(capitals PRIVATE -static $<$<CONFIG:Release,MinSizeRel>:-s>)
  set(CAPITALS_TARBALL ${PROJECT_NAME}-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  add_custom_target(linux-tarball
    COMMAND ${CMAKE_COMMAND} -D "PROGRAM=$<TARGET_FILE:capitals>" -D "SOURCE=${PROJECT_SOURCE_DIR}"
      -D "NAME=${CAPITALS_TARBALL}" -D "OUTPUT=${PROJECT_BINARY_DIR}/${CAPITALS_TARBALL}.tar.gz"
      -D "EPOCH=${CAPITALS_SOURCE_DATE_EPOCH}" -P ${CMAKE_CURRENT_LIST_DIR}/linux_tarball.cmake
    DEPENDS capitals
    VERBATIM)
endif()
