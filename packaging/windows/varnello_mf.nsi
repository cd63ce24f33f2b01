; The Windows installer: the program folder under Program Files, a Start-menu
; entry, the .vqdata file type (a double-click opens the file in the program)
; and an uninstaller that removes exactly what was installed.
; Built by scripts/windows-package.sh, which passes VERSION, STAGE (the
; program folder), FILELIST (the uninstaller's Delete lines) and OUTFILE.
; Its pages are Japanese, like the program: the licence (LICENSE of the
; program folder), the folder, the progress, and a last page that offers to
; start the program.

; A 64-bit installer for the 64-bit program: it also runs where Windows has
; no 32-bit layer (a 64-bit-only Wine, Windows on ARM without x86 emulation).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

!define APP "varnello_mf"
!define TYPEID "varnellomf.Document"
!define TYPENAME "varnello_mf.Document"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The last page's box starts the program once the installer ends.
!define MUI_FINISHPAGE_RUN "$INSTDIR\varnello_mf.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  SetRegView 64
  ; Machine-wide install: the Start-menu entry is for every user.
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${APP}"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${APP}"
  CreateShortcut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\varnello_mf.exe"

  ; The data file type: extension -> type id -> open command.
  WriteRegStr HKLM "Software\Classes\.vqdata" "" "${TYPEID}"
  WriteRegStr HKLM "Software\Classes\${TYPEID}" "" "${TYPENAME}"
  WriteRegStr HKLM "Software\Classes\${TYPEID}\shell\open\command" "" '"$INSTDIR\varnello_mf.exe" "%1"'
  ; The data files' own icon, the second in the program's resources.
  WriteRegStr HKLM "Software\Classes\${TYPEID}\DefaultIcon" "" "$INSTDIR\varnello_mf.exe,1"

  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "VarnelloMF"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\varnello_mf.exe,0"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1

  ; Tells the shell the file associations changed (SHCNE_ASSOCCHANGED).
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  RMDir "$SMPROGRAMS\${APP}"

  ; The extension is removed only while it still points at this program's
  ; type, so a later program's claim on .vqdata is left alone.
  ReadRegStr $0 HKLM "Software\Classes\.vqdata" ""
  StrCmp $0 "${TYPEID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.vqdata"
  DeleteRegKey HKLM "Software\Classes\${TYPEID}"
  DeleteRegKey HKLM "${UNINSTKEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  ; The operator's settings (HKCU\Software\VarnelloMF) stay for a reinstall.
SectionEnd
