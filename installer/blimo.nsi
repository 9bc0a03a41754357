; BLIMO's setup program. Built by the `dist` target (cmake/Dist.cmake), which passes:
;   VERSION      the four-number file version, e.g. 1.0.0.1
;   PACKAGE_VERSION  the version Add/Remove Programs shows, major.minor.revision (1.0.1), as the package's
;   UPGRADE_CODE the Windows Installer package's upgrade code: where the package is installed, setup refuses
;   HELP_NAME    the help file's name beside the program, where the program looks for it
;   EXE_FILE, CHM_FILE, ICON_FILE   the built program, the built help file, the program's icon
;   HOME_URL     the product's home page
;   OUT_FILE     the setup program to write
;   SIGN_COMMAND (only when a certificate is given) a command that signs the file named after it in place:
;                the setup program and the uninstaller inside it are signed as they are made
; Silent: `setup.exe /S` installs, `Uninstall.exe /S` uninstalls; neither asks anything.

!ifndef VERSION | PACKAGE_VERSION | UPGRADE_CODE | HELP_NAME | EXE_FILE | CHM_FILE | ICON_FILE | HOME_URL | OUT_FILE
  !error "blimo.nsi is built by the dist target, which defines VERSION, PACKAGE_VERSION, UPGRADE_CODE, HELP_NAME, EXE_FILE, CHM_FILE, ICON_FILE, HOME_URL and OUT_FILE"
!endif

Unicode true
!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
  !finalize '${SIGN_COMMAND} "%1"' = 0
!endif
SetCompressor /SOLID lzma
ManifestDPIAware true
; Program Files is the machine's: writing there, and the uninstall entry beside it, needs an administrator.
RequestExecutionLevel admin

!define PRODUCT "BLIMO"
!define MAKER "Fenwa Inc"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MAKER_KEY "Software\${MAKER}"
!define SETTINGS_KEY "${MAKER_KEY}\${PRODUCT}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define OFF_SHORTCUT "$SMPROGRAMS\ScreenSaver off for 1 hour.lnk"
!define OFF_ICON 2  ; the red icon: the third in the program's own order
; The running program's main window, and the command of its tray menu's Exit item: the same
; clean end as a person's Exit (the tray icon is removed first).
!define MAIN_WINDOW_CLASS "BLIMOForm"
!define MAIN_WINDOW_TITLE "About BLIMO"
!define EXIT_COMMAND 1006
!define SYNCHRONIZE 0x00100000
!define EXIT_WAIT_MS 10000

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; Where the package puts it too: Program Files (x86) on 64-bit Windows for the 32-bit program.
!if ${NSIS_PTR_SIZE} > 4
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; Over an earlier setup, its folder: a second copy elsewhere would leave the old BLIMO.exe, which the user's
; autostart still names.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${PACKAGE_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${MAKER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION} in $\"$INSTDIR$\".$\r$\n$\r$\n${PRODUCT} turns the screensaver on and off from an icon in the notification area.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartBlimo
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks a running BLIMO to exit and waits for its process to end, so that its files can be
; replaced or removed and no orphan icon stays in the tray. Aborts if it will not end.
!macro DEFINE_CLOSE_BLIMO prefix
Function ${prefix}CloseBlimo
  Push $0
  Push $1
  Push $2
  again:
    FindWindow $0 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
    StrCmp $0 0 done
    DetailPrint "Asking the running ${PRODUCT} to exit..."
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1)"
    System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2"
    ; Exit ends the process inside the message, so the call's answer tells nothing.
    SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=${EXIT_WAIT_MS}
    ${If} $2 P<> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i ${EXIT_WAIT_MS}) i .r1"
      System::Call "kernel32::CloseHandle(p r2)"
    ${EndIf}
    FindWindow $1 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
    StrCmp $1 $0 0 again  ; another instance (or none): look again
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is still running and does not end.$\r$\nEnd it with Exit in its tray menu, then choose Retry." /SD IDCANCEL IDRETRY again
    Abort "${PRODUCT} is still running."
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_BLIMO ""
!insertmacro DEFINE_CLOSE_BLIMO "un."

Function .onInit
  SetShellVarContext all
  ; The package installed as well would make two BLIMOs and two uninstall entries: one or the other.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${UPGRADE_CODE}", i 0, i 0, w .r0) i .r1'
  ${If} $1 = 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is already installed by its Windows Installer package.$\r$\nUninstall it in Apps (or Programs and Features) first, then run this setup again." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

; Setup runs elevated, BLIMO must not: it belongs to the signed-in user (that user's settings, a window that user's
; other BLIMOs can reach, the icon back after the shell restarts). Explorer given a program hands it to the running
; shell, which starts it with the user's own token.
Function StartBlimo
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\BLIMO.exe"'
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  Call CloseBlimo
  SetOutPath "$INSTDIR"
  File "/oname=BLIMO.exe" "${EXE_FILE}"
  File "/oname=${HELP_NAME}" "${CHM_FILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\BLIMO.exe" "" "$INSTDIR\BLIMO.exe" 0 SW_SHOWNORMAL "" \
    "Turn the screensaver on and off from the notification area"
  CreateShortCut "${OFF_SHORTCUT}" "$INSTDIR\BLIMO.exe" "/off:60" "$INSTDIR\BLIMO.exe" ${OFF_ICON} SW_SHOWNORMAL "" \
    "Turn the screensaver off now and on again in an hour"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PACKAGE_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\BLIMO.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_URL}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; Removes what setup made and the current user's own traces of the program (the settings key holds
; the time a "/off:MINUTES" promised to switch back on: it goes with the key). The user's
; screensaver setting ("Control Panel\Desktop") is theirs, not the program's: it stays as it is.
Section "Uninstall"
  Call un.CloseBlimo
  Delete /REBOOTOK "$INSTDIR\BLIMO.exe"
  Delete /REBOOTOK "$INSTDIR\${HELP_NAME}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"  ; only when empty: files the user put there stay
  Delete "${SHORTCUT}"
  Delete "${OFF_SHORTCUT}"

  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
