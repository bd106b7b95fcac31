; The Windows installer: both programs, the support header and the CMake
; package under Program Files, a Start-menu entry, an uninstaller listed in
; Apps & features, and hexcrate-convert on PATH only when asked for.
; Built by scripts/windows-build.sh:
;   makensis -DVERSION=1.0.0.1 -DTARGET=win64 -DSTAGE=<install tree>
;            -DFILES=<file lists> -DICON=<hexcrate.ico> -DOUTFILE=<setup.exe>
; Silent use: setup.exe /S [/ADDTOPATH] [/D=<folder>]; uninstall.exe /S.
Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${TARGET} == win64
  Target amd64-unicode
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WordFunc.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Hexcrate"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "Hexcrate ${VERSION}"
OutFile "${OUTFILE}"
!if ${TARGET} == win64
  InstallDir "$PROGRAMFILES64\Hexcrate"
!else
  InstallDir "$PROGRAMFILES\Hexcrate"
!endif
BrandingText "Hexcrate ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Hexcrate"
VIAddVersionKey /LANG=1033 "FileDescription" "Hexcrate ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Hexcrate"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; The section names fit the list at its full width; their descriptions go
; in the box below it, where they wrap.
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Hexcrate"
!define MUI_FINISHPAGE_RUN_FUNCTION RunHexcrate
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The program starts where a user keeps their files: a bare output name is
; written there, never into the installation. The shortcut serves every user,
; so its working folder is each one's own Documents, expanded when it starts.
!define USER_DOCUMENTS "%USERPROFILE%\Documents"

Section "Hexcrate" SecMain
  SectionIn RO
  !include "${FILES}/install.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  StrCpy $OUTDIR "${USER_DOCUMENTS}"  ; the shortcut's working folder, not made here
  CreateShortcut "$SMPROGRAMS\Hexcrate.lnk" "$INSTDIR\bin\Hexcrate.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Hexcrate ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Hexcrate"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bin\Hexcrate.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The machine's PATH is read into a string of at most NSIS_MAX_STRLEN
; characters: a PATH that fills it may have been cut short, and writing it
; back would lose the rest, so it is left alone.
Section /o "Add hexcrate-convert to PATH" SecPath
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 "$0;$INSTDIR\bin"
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH is too long to change safely; add $INSTDIR\bin to it yourself."
    MessageBox MB_ICONEXCLAMATION|MB_OK "PATH is too long to change safely; add $INSTDIR\bin to it yourself." /SD IDOK
    Return
  ${EndIf}
  ClearErrors
  ${WordFind} ";$0;" ";$INSTDIR\bin;" "E+1{" $2
  ${IfNot} ${Errors}
    Return  ; already there
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR\bin"
  ${Else}
    StrCpy $0 "$0;$INSTDIR\bin"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: a folder the user shares with other
  ; files keeps them.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "AddedToPath"
  ${If} $0 == 1
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 $0
    ${If} $1 < ${NSIS_MAX_STRLEN}
      ; Whole entries only: another folder whose name merely starts the same stays.
      ${WordReplace} ";$0;" ";$INSTDIR\bin;" ";" "+" $1
      StrCpy $1 $1 "" 1
      StrCpy $1 $1 -1
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$1"
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  Delete "$SMPROGRAMS\Hexcrate.lnk"
  !include "${FILES}/uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The window, the converter, the support header and the CMake package."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Lets any command prompt run hexcrate-convert."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; "Run Hexcrate" on the last page: in the Documents folder of the user who
; installs.
Function RunHexcrate
  SetShellVarContext current
  SetOutPath "$DOCUMENTS"
  SetShellVarContext all
  Exec '"$INSTDIR\bin\Hexcrate.exe"'
FunctionEnd

; After the sections, whose indices they use.
Function .onInit
  !if ${TARGET} == win64
    SetRegView 64
  !endif
  SetShellVarContext all
  ; The PATH box can be ticked from the command line too, for silent installs.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ADDTOPATH" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Function un.onInit
  !if ${TARGET} == win64
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd
