; The Windows installer of Vantrel: the program, the command line, the
; shared library and the help file into one folder, Start-menu shortcuts,
; and an uninstaller registered with the system.
;
;   makensis -DVERSION=0.1.0 -DBIN=<folder with the four files> -DICON=<icon> [-DOUT=<setup.exe>]
;            [-DCOMPRESSOR=zlib] vantrel.nsi

; A 64-bit installer, like the program it installs.
Target amd64-unicode
!ifdef COMPRESSOR
  SetCompressor ${COMPRESSOR}
!else
  SetCompressor /SOLID lzma
!endif
RequestExecutionLevel admin

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef BIN
  !error "BIN is not defined"
!endif
!ifndef ICON
  !error "ICON is not defined"
!endif
!ifndef OUT
  !define OUT "Vantrel-${VERSION}-setup.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"

Name "Vantrel ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Vantrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Vantrel"
  SetOutPath "$INSTDIR"
  File "${BIN}\Vantrel.exe"
  File "${BIN}\vtl.exe"
  File "${BIN}\tvcore.dll"
  File "${BIN}\vtl.chm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Vantrel"
  CreateShortcut "$SMPROGRAMS\Vantrel\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
  CreateShortcut "$SMPROGRAMS\Vantrel\Vantrel Help.lnk" "$INSTDIR\vtl.chm"
  CreateShortcut "$SMPROGRAMS\Vantrel\Uninstall Vantrel.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vantrel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: the logs and settings of the user stay.
  Delete "$INSTDIR\Vantrel.exe"
  Delete "$INSTDIR\vtl.exe"
  Delete "$INSTDIR\tvcore.dll"
  Delete "$INSTDIR\vtl.chm"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vantrel\Vantrel.lnk"
  Delete "$SMPROGRAMS\Vantrel\Vantrel Help.lnk"
  Delete "$SMPROGRAMS\Vantrel\Uninstall Vantrel.lnk"
  RMDir "$SMPROGRAMS\Vantrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
