# The Debian package, made by cpack from the debian install layout (packaging/install.cmake):
# the files Debian asks of every package, and the package's fields. dpkg-shlibdeps works out
# the libraries it depends on from the program itself. scripts/build-deb.sh drives it.
set(QV_DEB_REVISION 1)
set(QV_DEB_VERSION ${PROJECT_VERSION}-${QV_DEB_REVISION})
set(QV_DEB_MAINTAINER "Quelvaris developers <dev@quelvaris.example>")

# Debian's changelog, one entry a release, dated in the form Debian's changelog wants.
execute_process(COMMAND date -u -R -d ${QV_RELEASE_DATE} OUTPUT_VARIABLE QV_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.Debian.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
                OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quelvaris)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quelvaris)
if(TARGET quelvaris-board)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quelvaris-board COMPONENT board)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/board/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quelvaris-board
          COMPONENT board)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelvaris)
# One package a component: the game, and the online board where it is built.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game)
if(TARGET quelvaris-board)
  list(APPEND CPACK_COMPONENTS_ALL board)
endif()
set(CPACK_DEBIAN_GAME_PACKAGE_NAME quelvaris)
set(CPACK_DEBIAN_BOARD_PACKAGE_NAME quelvaris-board)
set(CPACK_DEBIAN_BOARD_PACKAGE_SECTION net)
set(CPACK_DEBIAN_BOARD_PACKAGE_DEPENDS "quelvaris (= ${QV_DEB_VERSION})")
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "fluid-soundfont-gm | sf2-soundfont-gm")
set(CPACK_COMPONENT_BOARD_DESCRIPTION "online board of Quelvaris runs, each replayed to prove its score
A server that stores the recordings Quelvaris players submit in PostgreSQL,
replays each one in a child process under limits, and ranks those that verify
as the game ranks its own table of best runs. It serves a JSON API, a page with
both tables and the web build of the game. Any number of instances may run
over one database.")
set(CPACK_DEBIAN_BOARD_DESCRIPTION "${CPACK_COMPONENT_BOARD_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Installed as into DESTDIR, so that the menu entry and the manual page name the final places.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${QV_DEB_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QV_DEB_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fluid-soundfont-gm | sf2-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "vertically scrolling shoot-'em-up with a winged boss
Fly a small ship up one fixed stage of enemy waves and enemy bullets, then
face a large winged boss that takes 200 hits. When it falls the staff roll
scrolls by and the game ends by itself.

The arrow keys or a gamepad move the ship and Space fires. Every game is
recorded and can be watched again. The music is General MIDI, played with
FluidSynth and a General MIDI SoundFont.")
include(CPack)
