# For the scripts that run the Windows build under Wine. Source it; uses fail().

# Fails unless every DLL that EXE imports is part of Windows: a MinGW runtime DLL (or zlib1.dll,
# libpng16.dll...) would be missing on a player's machine.
only_windows_dlls() {
  local exe=$1 dll
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case "$dll" in
      kernel32.dll | user32.dll | gdi32.dll | shell32.dll | msvcrt.dll | advapi32.dll | ole32.dll | \
        oleaut32.dll | winmm.dll | imm32.dll | version.dll | setupapi.dll | ws2_32.dll | \
        winhttp.dll | api-ms-win-*) ;;
      *) fail "$(basename "$exe") imports $dll, which is no part of Windows" ;;
    esac
  done
}

# A new Wine prefix in DIR (WINEPREFIX is set to it); ends the script as skipped (77) where
# Wine cannot start at all.
fresh_wine_prefix() {
  local dir=$1
  export WINEPREFIX="$dir" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
  if ! wine cmd /c exit >"$dir.log" 2>&1; then
    tail -n 5 "$dir.log"
    echo "Wine cannot start here"
    exit 77
  fi
  wineserver -w
}
