# Installs the game as a desktop program: the program in libexec, its music and effects in
# share/quelvaris, a launcher in bin that starts the program from there, a menu entry and the
# icon. Included by the top level.
include(GNUInstallDirs)
set(QV_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/quelvaris)
set(QV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quelvaris)

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
qv_relative(QV_BIN_TO_DATA ${CMAKE_INSTALL_BINDIR} ${QV_DATA_DIR})
qv_relative(QV_BIN_TO_GAME ${CMAKE_INSTALL_BINDIR} ${QV_GAME_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/quelvaris.in ${CMAKE_BINARY_DIR}/packaging/quelvaris @ONLY)

install(TARGETS quelvaris RUNTIME DESTINATION ${QV_GAME_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/quelvaris DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY "${CMAKE_SOURCE_DIR}/bgm&se" DESTINATION ${QV_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/assets/icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME quelvaris.png)

# The menu entry names the launcher by its full path, which is known only when installing
# (cmake --install --prefix may choose another prefix than the one configured).
install(CODE "
  set(QV_LAUNCHER \"${CMAKE_INSTALL_BINDIR}\")
  if(NOT IS_ABSOLUTE \"\${QV_LAUNCHER}\")
    set(QV_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/\${QV_LAUNCHER}\")
  endif()
  set(QV_LAUNCHER \"\${QV_LAUNCHER}/quelvaris\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/quelvaris.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/quelvaris.desktop\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/quelvaris.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
