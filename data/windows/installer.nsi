; The Windows installer, built by scripts/build-windows.sh with Debian's NSIS:
;   makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DPROGRAM=<program folder>
;            -DUNINSTALL_FILES=<list> -DOUTFILE=<setup.exe> installer.nsi
; Per user, no administrator rights: into the user's own programs folder,
; beside (never into) %LOCALAPPDATA%\Belvarium, which holds the program's lock.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Belvarium"

Name "Belvarium"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Belvarium"
; An update goes where the installed version is.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "Belvarium ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey "ProductName" "Belvarium"
VIAddVersionKey "CompanyName" "Belvarium developers"
VIAddVersionKey "FileDescription" "Belvarium ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "../icons/hu.belvarium.Belvarium.ico"
!define MUI_UNICON "../icons/hu.belvarium.Belvarium.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\belvarium.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(KeptText)"
!insertmacro MUI_UNPAGE_FINISH

; The first is taken when the system's language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Hungarian"

LangString RunningText ${LANG_ENGLISH} "Belvarium is running. Close it, then choose Retry."
LangString RunningText ${LANG_HUNGARIAN} "A Belvarium fut. Zárja be, majd kattintson az Ismét gombra."
LangString KeptText ${LANG_ENGLISH} "Belvarium has been removed.$\r$\n$\r$\nYour data folder (the house files), the settings in the registry (HKEY_CURRENT_USER\Software\Belvarium) and the folder %LOCALAPPDATA%\Belvarium are kept. Delete them by hand if they are no longer needed."
LangString KeptText ${LANG_HUNGARIAN} "A Belvarium eltávolítása kész.$\r$\n$\r$\nAz adatmappa (a házfájlok), a beállítások a rendszerleíró adatbázisban (HKEY_CURRENT_USER\Software\Belvarium) és a %LOCALAPPDATA%\Belvarium mappa megmaradtak. Ha már nem kellenek, törölje őket kézzel."

; Windows keeps a running program's executable from being opened for
; writing: nothing is touched until Belvarium is closed, so a folder is never
; left half replaced.
!macro NOT_RUNNING un
Function ${un}NotRunning
  retry:
  IfFileExists "$INSTDIR\belvarium.exe" 0 done
  ClearErrors
  FileOpen $0 "$INSTDIR\belvarium.exe" a
  IfErrors running
  FileClose $0
  Goto done
  running:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(RunningText)" /SD IDCANCEL IDRETRY retry
  Abort
  done:
FunctionEnd
!macroend
!insertmacro NOT_RUNNING ""
!insertmacro NOT_RUNNING "un."

Section
  Call NotRunning
  ; The installed version's own uninstaller takes away exactly its files, so
  ; nothing of it is left over; run in place, it leaves only itself.
  IfFileExists "$INSTDIR\uninstall.exe" 0 +2
  ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  SetOutPath "$INSTDIR"
  File /r "${PROGRAM}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Belvarium.lnk" "$INSTDIR\belvarium.exe" "" "$INSTDIR\belvarium.exe" 0
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Belvarium"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Belvarium developers"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\belvarium.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there goes: the data folder, the settings and
; the lock folder stay, and so would anything the user added to this folder.
Section "Uninstall"
  Call un.NotRunning
  !include "${UNINSTALL_FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Belvarium.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
