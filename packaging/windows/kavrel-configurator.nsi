; The Windows installer: the programs together in Program Files, a Start menu folder and an
; uninstaller that takes all of it away again. scripts/package-windows.sh runs
;   makensis -DVERSION=2.4 -DFILES=<folder with the programs and README.txt> -DOUTFILE=<installer>
Unicode true
!include FileFunc.nsh
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Kavrel Configurator"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KavrelConfigurator"
!define START_MENU "$SMPROGRAMS\Kavrel"
!define FILE_TYPE "Kavrel.Settings"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    ; Zorvik.exe stays beside the programs that run it.
    File "${FILES}\Zorvik.exe"
    File "${FILES}\kavrelctl.exe"
    File "${FILES}\README.txt"
    CreateDirectory "${START_MENU}"
    CreateShortCut "${START_MENU}\README.lnk" "$INSTDIR\README.txt"
!if /FileExists "${FILES}\kavrel-configurator.exe"
    File "${FILES}\kavrel-configurator.exe"
    CreateShortCut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\kavrel-configurator.exe"
    ; Settings files (.kavrel) open in the installed configurator on a double click.
    WriteRegStr HKLM "Software\Classes\.kavrel" "" "${FILE_TYPE}"
    WriteRegStr HKLM "Software\Classes\${FILE_TYPE}" "" "Настройки устройства Kavrel"
    WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\DefaultIcon" "" "$INSTDIR\kavrel-configurator.exe,0"
    WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\shell\open\command" "" '"$INSTDIR\kavrel-configurator.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kavrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ; Add/Remove Programs shows the configurator's icon and the installed size in KiB.
!if /FileExists "${FILES}\kavrel-configurator.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kavrel-configurator.exe,0"
!endif
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$INSTDIR\kavrel-configurator.exe"
    Delete "$INSTDIR\kavrelctl.exe"
    Delete "$INSTDIR\Zorvik.exe"
    Delete "$INSTDIR\README.txt"
    ; The port list Zorvik.exe wrote here when an administrator ran the programs.
    Delete "$INSTDIR\listport.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${START_MENU}\${PRODUCT}.lnk"
    Delete "${START_MENU}\README.lnk"
    RMDir "${START_MENU}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; .kavrel only while it is still ours.
    ReadRegStr $0 HKLM "Software\Classes\.kavrel" ""
    StrCmp $0 "${FILE_TYPE}" 0 +2
        DeleteRegKey HKLM "Software\Classes\.kavrel"
    DeleteRegKey HKLM "Software\Classes\${FILE_TYPE}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
