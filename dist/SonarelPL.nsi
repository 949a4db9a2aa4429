; The setup program. Per user by default, without administrator rights; for
; all users with /ALLUSERS (or the choice on its page) when run elevated.
; The build passes VERSION, SHORT_VERSION, DLL_FILE, README_FILE,
; LICENSE_FILE and OUT_FILE (see CMakeLists.txt beside this file).
;
; Exit codes: 0 done; 1 cancelled; 2 failed, and what this run copied or
; registered is removed again (the uninstaller: nothing removed, or a
; loaded DLL left behind); 3010 done, but a restart is due: the messenger
; keeps a loaded old DLL until it restarts, or the uninstaller deletes one
; when Windows restarts (silent mode only).

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include StrFunc.nsh

${StrStr}

!define PRODUCT "Sonarel Plugin"
!define PUBLISHER "Sonarel Team"
!define DLL "SonarelPL.dll"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SonarelPL"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\Olvar's Sonarel Plugin"
!define EXIT_CANCELLED 1
!define EXIT_FAILED 2
!define EXIT_RESTART 3010

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
BrandingText "${PRODUCT} ${SHORT_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (c) 2026 ${PUBLISHER}"

Var IsAdmin        ; 1 when the process may write machine-wide
Var AllUsers       ; 1 for the all-users scope
Var DirGiven       ; 1 when /D= chose the folder
Var MadeFolder     ; 1 when this run created the folder
Var Replacing      ; 1 when a copy was installed in the folder before
Var Copied         ; 1 once this run has put the DLL in place
Var RestartNeeded  ; 1 when the loaded old DLL was set aside
Var Failure        ; the reason given to Fail
Var LeftBehind     ; 1 when the uninstaller could not remove a loaded DLL
Var ScopeMe
Var ScopeAll

; The About window's badge (makensis works in this script's folder); the
; uninstaller's is the icon of the installed-programs entry.
!define MUI_ICON "sonarel.ico"
!define MUI_UNICON "sonarel.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
Page custom ScopePage ScopePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "The plug-in is unregistered and its files are removed. Your settings stay unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE English

; Calls the DLL's own registration in this process and unloads it again.
; The setup is a 32-bit process, so on 64-bit Windows the entries land in
; the 32-bit view of the registry, where the 32-bit messenger looks.
; In: $R0 1 to register, 0 to unregister; $AllUsers. Out: $R0 the HRESULT
; as a number, or "missing" when the DLL or its entry point is not there.
!macro CALL_REGISTRATION UN
Function ${UN}CallRegistration
  Push $R1
  Push $R2
  System::Call 'kernel32::LoadLibraryW(w "$INSTDIR\${DLL}") p .R1'
  ${If} $R1 = 0
    StrCpy $R0 "missing"
  ${Else}
    ${If} $AllUsers = 1
      ${If} $R0 = 1
        System::Call 'kernel32::GetProcAddress(p R1, m "DllRegisterServer") p .R2'
      ${Else}
        System::Call 'kernel32::GetProcAddress(p R1, m "DllUnregisterServer") p .R2'
      ${EndIf}
    ${Else}
      System::Call 'kernel32::GetProcAddress(p R1, m "DllInstall") p .R2'
    ${EndIf}
    ${If} $R2 = 0
      StrCpy $R0 "missing"
    ${ElseIf} $AllUsers = 1
      System::Call '::$R2() i .R0'
    ${Else}
      ; What "regsvr32 /n /i:user" calls.
      System::Call '::$R2(i R0, w "user") i .R0'
    ${EndIf}
    System::Call 'kernel32::FreeLibrary(p R1)'
  ${EndIf}
  Pop $R2
  Pop $R1
FunctionEnd
!macroend
!insertmacro CALL_REGISTRATION ""
!insertmacro CALL_REGISTRATION "un."

!macro READ_ACCOUNT
  UserInfo::GetAccountType
  Pop $0
  StrCpy $IsAdmin 0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
!macroend

; ---------------------------------------------------------------- install

Function .onInit
  !insertmacro READ_ACCOUNT
  ; A /D= folder that cannot be made is dropped before .onInit, and the
  ; setup would go on into the default folder: take it from the command
  ; line itself, so that such an install fails instead.
  StrCpy $DirGiven 0
  System::Call 'kernel32::GetCommandLineW() w .R0'
  ${StrStr} $R1 $R0 " /D="
  ${If} $R1 != ""
    StrCpy $INSTDIR $R1 "" 4
    StrCpy $DirGiven 1
  ${EndIf}
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    ${If} $IsAdmin = 0
      MessageBox MB_ICONSTOP "Installing for all users needs administrator rights.$\n$\nRun the setup as administrator, or leave out /ALLUSERS to install it for yourself only." /SD IDOK
      SetErrorLevel ${EXIT_FAILED}
      Quit
    ${EndIf}
  ${EndIf}
  Call ApplyScope
FunctionEnd

; Sets the shell folders and registry root for the scope, and the default
; folder: where a copy is installed in that scope already, else the
; scope's programs folder.
Function ApplyScope
  ${If} $AllUsers = 1
    SetShellVarContext all
    StrCpy $R1 "$PROGRAMFILES\Sonarel"
  ${Else}
    SetShellVarContext current
    StrCpy $R1 "$LOCALAPPDATA\Programs\Sonarel"
  ${EndIf}
  ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 != ""
    StrCpy $R1 $R2
  ${EndIf}
  ${If} $DirGiven = 0
    StrCpy $INSTDIR $R1
  ${EndIf}
FunctionEnd

Function ScopePage
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Install ${PRODUCT} for yourself only, or for everyone on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "Only for &me (no administrator rights needed)"
  Pop $ScopeMe
  ${NSD_CreateRadioButton} 0 18u 100% 12u "For &all users of this computer"
  Pop $ScopeAll
  ${If} $IsAdmin = 0
    EnableWindow $ScopeAll 0
    ${NSD_CreateLabel} 12u 32u -12u 24u "Needs administrator rights: start the setup with $\"Run as administrator$\" to choose this."
    Pop $0
  ${EndIf}
  ${If} $AllUsers = 1
    ${NSD_Check} $ScopeAll
  ${Else}
    ${NSD_Check} $ScopeMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  ${NSD_GetState} $ScopeAll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyScope
FunctionEnd

; Undoes what this run did, says why, and stops with EXIT_FAILED. Over an
; installed copy that leaves it uninstalled (settings kept) rather than
; registered to files that are gone.
Function Fail
  DetailPrint "$Failure"
  ${If} $Copied = 1
    StrCpy $R0 0
    Call CallRegistration
  ${EndIf}
  ${If} $Copied = 1
  ${OrIf} $Replacing = 1
    Delete "$INSTDIR\${DLL}"
    Delete "$INSTDIR\${DLL}.new"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
      DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}
  ${If} $MadeFolder = 1
  ${OrIf} $Replacing = 1
    RMDir "$INSTDIR"
  ${EndIf}
  MessageBox MB_ICONSTOP "$Failure$\n$\nNothing was installed." /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort "$Failure"
FunctionEnd

!macro FAIL TEXT
  StrCpy $Failure "${TEXT}"
  Call Fail
!macroend

; Called when the DLL could not be written. A DLL that the running messenger
; has loaded cannot be overwritten, but it can be renamed: silent mode sets
; it aside, so that the next start of the messenger loads the new one.
Function ReplaceLoadedDll
  ${IfNot} ${FileExists} "$INSTDIR\${DLL}"
    !insertmacro FAIL "Setup cannot write to the folder $INSTDIR."
  ${EndIf}
  ${IfNot} ${Silent}
    inUse:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "The installed ${DLL} is in use: the messenger has the plug-in loaded, so it cannot be replaced.$\n$\nClose the messenger, then click Retry. Cancel stops the setup and leaves the installed copy as it is." IDRETRY retry
    SetErrorLevel ${EXIT_CANCELLED}
    Abort "Setup was cancelled; the installed copy is unchanged."
    retry:
    ClearErrors
    File "/oname=${DLL}" "${DLL_FILE}"
    IfErrors inUse
    Return
  ${EndIf}
  ClearErrors
  File "/oname=${DLL}.new" "${DLL_FILE}"
  Rename "$INSTDIR\${DLL}" "$INSTDIR\${DLL}.old"
  Rename "$INSTDIR\${DLL}.new" "$INSTDIR\${DLL}"
  ${If} ${Errors}
    Delete "$INSTDIR\${DLL}.new"
    !insertmacro FAIL "Setup cannot replace $INSTDIR\${DLL}, which the messenger has loaded."
  ${EndIf}
  StrCpy $RestartNeeded 1
  Delete /REBOOTOK "$INSTDIR\${DLL}.old"
  DetailPrint "The messenger keeps the old plug-in until it is restarted."
FunctionEnd

Section "Install"
  StrCpy $Copied 0
  StrCpy $RestartNeeded 0
  StrCpy $MadeFolder 0
  StrCpy $Replacing 0
  ${If} ${FileExists} "$INSTDIR\${DLL}"
    StrCpy $Replacing 1
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
      !insertmacro FAIL "Setup cannot create the folder $INSTDIR."
    ${EndIf}
    StrCpy $MadeFolder 1
  ${EndIf}
  SetOutPath "$INSTDIR"

  ; A copy set aside by an earlier run, if its messenger has ended.
  Delete "$INSTDIR\${DLL}.old"
  SetOverwrite try
  ClearErrors
  File "/oname=${DLL}" "${DLL_FILE}"
  ${If} ${Errors}
    Call ReplaceLoadedDll
  ${EndIf}
  StrCpy $Copied 1
  ClearErrors
  SetOverwrite on
  File "/oname=README.txt" "${README_FILE}"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    !insertmacro FAIL "Setup cannot write to the folder $INSTDIR."
  ${EndIf}

  StrCpy $R0 1
  Call CallRegistration
  ${If} $R0 == "missing"
    !insertmacro FAIL "${DLL} could not be loaded to register itself."
  ${ElseIf} $R0 != 0
    IntFmt $R0 "0x%08X" $R0
    !insertmacro FAIL "${DLL} could not register itself (error $R0)."
  ${EndIf}

  ; The entry in the installed-programs list, in the scope installed in.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $RestartNeeded = 1
    SetErrorLevel ${EXIT_RESTART}
  ${EndIf}
SectionEnd

; -------------------------------------------------------------- uninstall

Section "un.${PRODUCT}" UnProgram
  SectionIn RO
  ${If} $AllUsers = 1
  ${AndIf} $IsAdmin = 0
    MessageBox MB_ICONSTOP "${PRODUCT} was installed for all users: removing it needs administrator rights." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}

  ; A DLL that the messenger has loaded cannot be deleted until it ends;
  ; silent mode removes it at the next restart instead.
  ${If} ${FileExists} "$INSTDIR\${DLL}"
  ${AndIfNot} ${Silent}
    retry:
    ClearErrors
    FileOpen $0 "$INSTDIR\${DLL}" a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${DLL} is in use: the messenger has the plug-in loaded.$\n$\nClose the messenger, then click Retry. Cancel leaves the plug-in installed." IDRETRY retry
      SetErrorLevel ${EXIT_CANCELLED}
      Abort
    ${EndIf}
    FileClose $0
  ${EndIf}

  StrCpy $R0 0
  Call un.CallRegistration
  ${If} $R0 != 0
  ${AndIf} $R0 != "missing"
    IntFmt $R0 "0x%08X" $R0
    MessageBox MB_ICONSTOP "${DLL} could not unregister itself (error $R0); nothing was removed." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}

  ; Deleting at the next restart of Windows needs administrator rights.
  ClearErrors
  Delete /REBOOTOK "$INSTDIR\${DLL}"
  Delete /REBOOTOK "$INSTDIR\${DLL}.old"
  ${If} ${Errors}
    StrCpy $LeftBehind 1
  ${EndIf}
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Also remove my settings" UnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
SectionEnd

; Last, so that the folder going away marks the end of the uninstall.
Section "-un.Folder"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"
  ${If} $LeftBehind = 1
    MessageBox MB_ICONEXCLAMATION "The plug-in is unregistered, but the messenger still has ${DLL} loaded. Close the messenger, then delete the folder $INSTDIR." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
  ${ElseIf} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART}
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro READ_ACCOUNT
  StrCpy $LeftBehind 0
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSettings} ${SF_SELECTED}
  ${EndIf}
  ; The scope is the one whose entry names this folder.
  StrCpy $AllUsers 0
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != $INSTDIR
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd
