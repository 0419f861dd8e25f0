; The Tolvane installer: per user, no administrator rights; a Start-menu entry and an
; uninstaller. makensis -DVERSION=... -DPUBLISHER=... -DSTAGE=<folder with the programs>
; -DICON=... -DOUTFILE=...
Unicode true
; A 64-bit installer, for the 64-bit programs it installs.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

Name "Tolvane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tolvane"
InstallDirRegKey HKCU "Software\Tolvane" "InstallDir"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails show
; The installer's own version resource.
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tolvane"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Tolvane installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tolvane"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Tolvane"
  CreateShortcut "$SMPROGRAMS\Tolvane\Tolvane.lnk" "$INSTDIR\tolvane.exe" "" "$INSTDIR\tolvane.exe" 0
  CreateShortcut "$SMPROGRAMS\Tolvane\Tolvane Help Manual.lnk" "$INSTDIR\help.html"
  CreateShortcut "$SMPROGRAMS\Tolvane\Uninstall Tolvane.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "Software\Tolvane" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tolvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tolvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Tolvane\Tolvane.lnk"
  Delete "$SMPROGRAMS\Tolvane\Tolvane Help Manual.lnk"
  Delete "$SMPROGRAMS\Tolvane\Uninstall Tolvane.lnk"
  RMDir "$SMPROGRAMS\Tolvane"
  RMDir /r "$INSTDIR\licenses"
  RMDir /r "$INSTDIR\zoneinfo"
  Delete "$INSTDIR\tolvane.exe"
  Delete "$INSTDIR\tolvane-convert.exe"
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The program's own key: the install folder and the window's view settings.
  DeleteRegKey HKCU "Software\Tolvane"
SectionEnd
