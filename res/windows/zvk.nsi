; The zvk setup program (NSIS). scripts/package-windows supplies VERSION,
; STAGE (the folder holding everything to install), OUTFILE, and the lists
; of files and folders (files.nsh, uninstall.nsh) made from the stage, so
; that the uninstaller removes exactly what was installed.
Unicode true
; A 64-bit setup program, as zvk itself is: it runs where wine64 alone is
; installed, and it writes the 64-bit registry view.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define APP "zvk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zvk"

Name "zvk ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\zvk"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${STAGE}\zvk.ico"
UninstallIcon "${STAGE}\zvk.ico"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "zvk"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\zvk"
  CreateShortcut "$SMPROGRAMS\zvk\zvk.lnk" "$INSTDIR\zvk.exe" "" "$INSTDIR\zvk.ico"
  CreateShortcut "$SMPROGRAMS\zvk\zvk manual.lnk" "$INSTDIR\help\index.html"
  CreateShortcut "$SMPROGRAMS\zvk\Uninstall zvk.lnk" "$INSTDIR\uninstall.exe"

  ; Apps & features
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "zvk"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "zvk developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zvk.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !include "uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\zvk\zvk.lnk"
  Delete "$SMPROGRAMS\zvk\zvk manual.lnk"
  Delete "$SMPROGRAMS\zvk\Uninstall zvk.lnk"
  RMDir "$SMPROGRAMS\zvk"
  ; Only when empty: a zvk.dat the user's settings made there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
