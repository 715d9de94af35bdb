# Runs at install time (from packaging/install.cmake): fills in the full paths of the launcher
# and the music folder under the prefix being installed to, in the menu entry and the manual
# page, and compresses the page as man and Debian expect (no name or time in the gzip header,
# so the package is the same from one build to the next).
function(qv_installed_path out dir)
  if(NOT IS_ABSOLUTE "${dir}")
    set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
  endif()
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()
qv_installed_path(QV_LAUNCHER "${QV_LAUNCHER_DIR}/quelvaris")
qv_installed_path(QV_DATA_PATH "${QV_DATA_DIR}")

configure_file("${QV_PACKAGING_SOURCE}/quelvaris.desktop.in" "${QV_PACKAGING_BINARY}/quelvaris.desktop"
               @ONLY)
configure_file("${QV_PACKAGING_SOURCE}/quelvaris.6.in" "${QV_PACKAGING_BINARY}/quelvaris.6" @ONLY)
execute_process(COMMAND gzip -9nc "${QV_PACKAGING_BINARY}/quelvaris.6"
                OUTPUT_FILE "${QV_PACKAGING_BINARY}/quelvaris.6.gz" COMMAND_ERROR_IS_FATAL ANY)
