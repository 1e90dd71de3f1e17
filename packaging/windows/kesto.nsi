; kesto's Windows installer, made with makensis by tools/windows.sh.
; Defines from the command line:
;   VERSION   shown version, e.g. 1.0
;   STAGE     folder holding the installed program (cmake --install)
;   FILELIST  generated include with one Delete/RMDir line per staged file
;   OUTFILE   the installer to write
;   ICON      the program icon (resources/img/question_ico)
; Silent install: kesto-setup.exe /S [/AUTOSTART] [/D=folder]

; A 64-bit installer for a 64-bit program: it runs only where kesto can.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kesto"

Name "kesto ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\kesto"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "kesto ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "kesto"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "kesto ${VERSION} installer"
VIAddVersionKey /LANG=1033 "CompanyName" "vrensk"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 vrensk"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The installer speaks the user's language where kesto does.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Italian"

LangString SecProgram ${LANG_ENGLISH} "kesto"
LangString SecProgram ${LANG_GERMAN} "kesto"
LangString SecProgram ${LANG_ITALIAN} "kesto"
LangString SecAutostart ${LANG_ENGLISH} "Start kesto when I log in"
LangString SecAutostart ${LANG_GERMAN} "kesto bei der Anmeldung starten"
LangString SecAutostart ${LANG_ITALIAN} "Avvia kesto all'accesso"

Section "!$(SecProgram)" SecMain
    SectionIn RO
    ; kesto finds template.db and its translations in its working directory:
    ; every shortcut starts it in the install folder ($OUTDIR when made).
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetShellVarContext all
    CreateShortCut "$SMPROGRAMS\kesto.lnk" "$INSTDIR\kesto.exe" "" "$INSTDIR\kesto.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "kesto"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "vrensk"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kesto.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(SecAutostart)" SecAutostartSection
    SetOutPath "$INSTDIR"
    SetShellVarContext all
    CreateShortCut "$SMSTARTUP\kesto.lnk" "$INSTDIR\kesto.exe" "" "$INSTDIR\kesto.exe" 0
SectionEnd

Function .onInit
    ; /AUTOSTART ticks the login choice, for silent installs.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/AUTOSTART" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecAutostartSection} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; Removes exactly what was installed. The log, kesto.db in the user's home
; folder, is the user's data and stays.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\kesto.lnk"
    Delete "$SMSTARTUP\kesto.lnk"
    !include "${FILELIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
