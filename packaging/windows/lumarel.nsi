; The Windows installer. Puts lumarel.scr into the system folder of the
; machine's own Windows (the 64-bit build on 64-bit Windows, the 32-bit one
; elsewhere), registers its uninstaller in Add/Remove Programs and, unless
; the user declines (or passes /NOACTIVATE), makes Lumarel the current
; screen saver. scripts/package.sh compiles it:
;   makensis -DVERSION=3.03 -DFILE_VERSION=3.3.0.0 -DSAVER64=lumarel.scr
;            -DSAVER32=lumarel32.scr -DOUTFILE=setup.exe lumarel.nsi

!ifndef VERSION | FILE_VERSION | SAVER64 | SAVER32 | OUTFILE
  !error "define VERSION, FILE_VERSION, SAVER64, SAVER32 and OUTFILE"
!endif

; ANSI, so that the installer also runs on the 9x family.
Unicode false
SetCompressor /SOLID lzma
Name "Lumarel ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Lumarel"
ShowInstDetails show
ShowUninstDetails show
BrandingText "Lumarel ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Lumarel"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Lumarel ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The Lumarel developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Lumarel developers"

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WinVer.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumarel"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER_VALUE "SCRNSAVE.EXE"

; makensis reads relative paths from the script's folder.
!define MUI_ICON "../../resources/lumarel.ico"
!define MUI_UNICON "../../resources/lumarel.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A 32-bit installer on 64-bit Windows would otherwise reach the 32-bit
; system folder and registry view.
!macro NativeViews
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetRegView 64
  ${EndIf}
!macroend

Section "Lumarel screen saver" SectionSaver
  SectionIn RO
  !insertmacro NativeViews
  SetOutPath "$SYSDIR"
  ${If} ${RunningX64}
    File "/oname=lumarel.scr" "${SAVER64}"
  ${Else}
    File "/oname=lumarel.scr" "${SAVER32}"
  ${EndIf}
  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Lumarel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Lumarel developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\lumarel.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In kilobytes: the screen saver and the uninstaller.
  ${GetSize} "$SYSDIR" "/M=lumarel.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Make Lumarel the current screen saver" SectionActivate
  !insertmacro NativeViews
  ; The short form: the 9x family reads 8.3 names only.
  GetFullPathName /SHORT $0 "$SYSDIR\lumarel.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "${SAVER_VALUE}" "$0"
  ; The 9x family takes the current screen saver from system.ini.
  ${IfNot} ${IsNT}
    WriteINIStr "$WINDIR\system.ini" "boot" "${SAVER_VALUE}" "$0"
  ${EndIf}
SectionEnd

Function .onInit
  ${If} ${RunningX64}
  ${AndIf} "$INSTDIR" == "$PROGRAMFILES\Lumarel"
    StrCpy $INSTDIR "$PROGRAMFILES64\Lumarel"
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOACTIVATE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionActivate}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro NativeViews
  StrCpy $1 "$SYSDIR\lumarel.scr"
  GetFullPathName /SHORT $2 $1
  ; The current screen saver is cleared only where it names ours.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "${SAVER_VALUE}"
  ${If} $0 != ""
    ${If} $0 == $1
    ${OrIf} $0 == $2
      DeleteRegValue HKCU "${DESKTOP_KEY}" "${SAVER_VALUE}"
    ${EndIf}
  ${EndIf}
  ${IfNot} ${IsNT}
    ReadINIStr $0 "$WINDIR\system.ini" "boot" "${SAVER_VALUE}"
    ${If} $0 != ""
      ${If} $0 == $1
      ${OrIf} $0 == $2
        DeleteINIStr "$WINDIR\system.ini" "boot" "${SAVER_VALUE}"
      ${EndIf}
    ${EndIf}
    ; A section that the installer added holds nothing else now: remove it too.
    System::Call 'kernel32::GetPrivateProfileStringA(t "boot", p 0, t "", t .r3, i ${NSIS_MAX_STRLEN}, t "$WINDIR\system.ini") i .r4'
    ${If} $4 = 0
      DeleteINISec "$WINDIR\system.ini" "boot"
    ${EndIf}
  ${EndIf}
  Delete /REBOOTOK "$SYSDIR\lumarel.scr"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
