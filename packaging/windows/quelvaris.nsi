; The Windows installer (scripts/build-windows.sh runs makensis on it). For one user, without
; administrator rights: the program goes to the user's own programs folder, the shortcut to
; the user's Start menu, the uninstaller's entry to the user's part of the registry. /S installs
; and uninstalls silently.
; Defines from build-windows.sh: VERSION, OUTFILE, FILES_DIR (the lists of files it installs and
; removes, made from the zip's folder), and GAME_EXE once the window program is built.
; A 64-bit installer for a 64-bit game: it runs where the game runs, with no 32-bit layer.
Target amd64-unicode
!include "MUI2.nsh"

!define NAME "Quelvaris"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quelvaris"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quelvaris"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef GAME_EXE
  !define MUI_FINISHPAGE_RUN "$INSTDIR\${GAME_EXE}"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Quelvaris"
  SetOutPath "$INSTDIR"
  !include "${FILES_DIR}\install_files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
!ifdef GAME_EXE
  CreateShortcut "$SMPROGRAMS\Quelvaris.lnk" "$INSTDIR\${GAME_EXE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${GAME_EXE}"
!endif
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quelvaris developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: settings and recordings, kept under the user's
; AppData, stay, and so does anything the player added to the program's folder.
Section "Uninstall"
  Delete "$SMPROGRAMS\Quelvaris.lnk"
  !include "${FILES_DIR}\uninstall_files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
