# Installs the game as a desktop program: the program, its music and effects, a launcher that
# starts the program, a menu entry, the icon, the AppStream card and the manual page. Included
# by the top level.
#
# QV_INSTALL_LAYOUT chooses the folders: "default" puts the launcher in bin, the program in
# libexec/quelvaris and the music in share/quelvaris; "debian" follows Debian's place for
# games (games, lib/games/quelvaris, share/games/quelvaris) and adds what a Debian package
# needs, built with cpack (packaging/deb.cmake; scripts/build-deb.sh does it all).
include(GNUInstallDirs)
# Everything below is the game's (the Debian package quelvaris) unless it says otherwise.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME game)
set(QV_INSTALL_LAYOUT default CACHE STRING "Folders cmake --install uses: default or debian")
set_property(CACHE QV_INSTALL_LAYOUT PROPERTY STRINGS default debian)
if(QV_INSTALL_LAYOUT STREQUAL "default")
  set(QV_LAUNCHER_DIR ${CMAKE_INSTALL_BINDIR})
  set(QV_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/quelvaris)
  set(QV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quelvaris)
elseif(QV_INSTALL_LAYOUT STREQUAL "debian")
  set(QV_LAUNCHER_DIR games)
  set(QV_GAME_DIR lib/games/quelvaris)
  set(QV_DATA_DIR share/games/quelvaris)
else()
  message(FATAL_ERROR "QV_INSTALL_LAYOUT is '${QV_INSTALL_LAYOUT}'; it can be default or debian")
endif()

# Folders readable by all, whatever the umask of the one who installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The name software centres know the game by; the menu entry and the AppStream card carry it.
set(QV_APP_ID io.github.quelvaris.Quelvaris)

# The launcher finds the program and the folder from where it lies, so the whole tree can be
# moved or installed under any prefix.
function(qv_relative out from to)
  foreach(dir from to)
    if(NOT IS_ABSOLUTE ${${dir}})
      set(${dir} /prefix/${${dir}})
    endif()
  endforeach()
  file(RELATIVE_PATH path ${from} ${to})
  if(path STREQUAL "")
    set(path .)
  endif()
  set(${out} ${path} PARENT_SCOPE)
endfunction()
qv_relative(QV_BIN_TO_GAME ${QV_LAUNCHER_DIR} ${QV_GAME_DIR})
# The program finds its music the same way, from its own folder, and so leaves the working
# folder to the player. In a build folder nothing lies there and it reads the working folder's.
qv_relative(QV_GAME_TO_DATA ${QV_GAME_DIR} ${QV_DATA_DIR})
foreach(program quelvaris quelvaris-timing)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE QV_DATA_FOLDER="${QV_GAME_TO_DATA}")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/quelvaris.in ${CMAKE_BINARY_DIR}/packaging/quelvaris @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quelvaris.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${QV_APP_ID}.metainfo.xml @ONLY)

install(TARGETS quelvaris RUNTIME DESTINATION ${QV_GAME_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/quelvaris DESTINATION ${QV_LAUNCHER_DIR})
# The music, the effects and route.keys, the recording --practice takes over.
install(DIRECTORY "${CMAKE_SOURCE_DIR}/bgm&se" DESTINATION ${QV_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/assets/icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME quelvaris.png)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${QV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The menu entry names the launcher, and the manual page the music folder, by full path, which
# is known only when installing (cmake --install --prefix may choose another prefix than the
# one configured).
install(CODE "
  set(QV_PACKAGING_SOURCE \"${CMAKE_CURRENT_LIST_DIR}\")
  set(QV_PACKAGING_BINARY \"${CMAKE_BINARY_DIR}/packaging\")
  set(QV_LAUNCHER_DIR \"${QV_LAUNCHER_DIR}\")
  set(QV_DATA_DIR \"${QV_DATA_DIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(QV_RELEASE_DATE \"${QV_RELEASE_DATE}\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/installed_paths.cmake\")
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/quelvaris.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${QV_APP_ID}.desktop)
install(FILES ${CMAKE_BINARY_DIR}/packaging/quelvaris.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The online board, where it is built: in the Debian layout a package of its own,
# quelvaris-board, reading the music of the game's package.
if(TARGET quelvaris-board AND QV_INSTALL_LAYOUT STREQUAL "debian")
  qv_relative(QV_BOARD_TO_DATA ${CMAKE_INSTALL_BINDIR} ${QV_DATA_DIR})
  target_compile_definitions(quelvaris-board PRIVATE QV_DATA_FOLDER="${QV_BOARD_TO_DATA}")
  install(TARGETS quelvaris-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT board)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/board/quelvaris-board.service
          DESTINATION lib/systemd/system COMPONENT board)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/board/nginx-quelvaris-board.conf
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quelvaris-board/examples COMPONENT board)
  install(CODE "execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/board/quelvaris-board.1
                                OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/quelvaris-board.1.gz)"
          COMPONENT board)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/quelvaris-board.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT board)
endif()

if(QV_INSTALL_LAYOUT STREQUAL "debian")
  include(${CMAKE_CURRENT_LIST_DIR}/deb.cmake)
endif()
