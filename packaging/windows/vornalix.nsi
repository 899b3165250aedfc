; The Windows installer, built by packaging/windows/CMakeLists.txt:
;   makensis -DVERSION=1.3 -DFILE_VERSION=1.3.0.0 -DOUTFILE=setup.exe -DFILES=files.nsh -DSHORTCUT=vornalix.exe
;            -DICON=vornalix.ico vornalix.nsi
; FILES defines the macros InstallFiles and DeleteFiles (one File or Delete line per packaged file); SHORTCUT is the
; installed program the Start-menu entry starts.
; Installs for all users into Program Files\Vornalix, adds the Start-menu entry and the entry of Apps and Features;
; the uninstaller removes all of them and nothing else.
Unicode true
; A 64-bit installer: Program Files and the registry without 32-bit redirection (the default 32-bit stub also does
; not start on a 64-bit-only Wine, and exits with success having installed nothing).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornalix"
!define MENU_FOLDER "$SMPROGRAMS\Vornalix"
!define SHORTCUT_NAME "Vornalix Firmware Upgrade"

Name "Vornalix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vornalix"
BrandingText "Vornalix ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the fallback; the one matching the Windows display language is chosen.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Vornalix"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Vornalix"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Vornalix ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Vornalix developers"

Section
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\${SHORTCUT_NAME}.lnk" "$INSTDIR\${SHORTCUT}" "" "$INSTDIR\${SHORTCUT}" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vornalix"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vornalix"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${SHORTCUT},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    !insertmacro DeleteFiles
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: a folder the user also keeps other files in stays.
    RMDir "$INSTDIR"
    Delete "${MENU_FOLDER}\${SHORTCUT_NAME}.lnk"
    RMDir "${MENU_FOLDER}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
