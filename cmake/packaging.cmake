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
  # Games and educational programs have a folder of their own beside bin/ on
  # Debian and in the FHS (/usr/games, /usr/local/games, both on Debian's and
  # Ubuntu's default PATH), with their manual pages in section 6.
  set(CAPITALS_INSTALL_GAMESDIR games CACHE STRING
    "Folder of the program under the prefix: games (Debian and FHS), or bin")
  install(TARGETS capitals RUNTIME DESTINATION ${CAPITALS_INSTALL_GAMESDIR})
  install(FILES man/capitals.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES README.md NEWS LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

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
  set(CPACK_CAPITALS_PROGRAM ${CAPITALS_INSTALL_GAMESDIR}/capitals)
  set(CPACK_CAPITALS_STRIP ${CMAKE_STRIP})
endif()

include(CPack)
