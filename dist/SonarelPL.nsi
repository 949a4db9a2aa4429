; The setup program. Per user by default, without administrator rights; for
; all users with /ALLUSERS (or the choice on its page) when run elevated, and
; then only below the program files folder.
; The build passes VERSION (three numbers), DLL_FILE, README_FILE,
; LICENSE_FILE and OUT_FILE, and SIGN (a command that signs the file it is
; given) when the release is signed (see package.sh beside this file).
;
; The setup writes only files named after the product, never one that it did
; not install, and removes the folder only when it made it.
;
; Exit codes: 0 done; 1 cancelled; 2 failed, and what this run moved or
; copied is put back: a copy installed before stays as it was (the
; uninstaller: nothing removed, or a loaded DLL left behind); 3010 done, but
; a restart is due: the messenger keeps a loaded old DLL until it restarts,
; or the uninstaller deletes one when Windows restarts (silent mode only).

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifdef SIGN
  !finalize '"${SIGN}" "%1"'
  !uninstfinalize '"${SIGN}" "%1"'
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include StrFunc.nsh

${StrStr}

!define PRODUCT "Sonarel Plugin"
!define PUBLISHER "Sonarel Team"
; The addresses the About window links to: the publisher's, and updates.
!define PUBLISHER_URL "https://www.example.org/"
!define UPDATES_URL "https://sonarel.example.org/"
; The version resource wants four numbers: the fourth is always 0.
!define FILE_VERSION "${VERSION}.0"
!define DLL "SonarelPL.dll"
!define README "SonarelPL-README.txt"
!define LICENSE "SonarelPL-LICENSE.txt"
!define UNINSTALLER "SonarelPL-uninstall.exe"
; The Start menu folder, in the scope's programs folder, and its one entry.
!define START_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define GUIDE_LINK "${PRODUCT} user's guide.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SonarelPL"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\Olvar's Sonarel Plugin"
!define RECORD_KEY "${SETTINGS_KEY}\Data"
; Given to the second start that asks for administrator rights, so that a
; start that still lacks them stops instead of asking again.
!define ELEVATED_SWITCH "/ELEVATED"
!define EXIT_CANCELLED 1
!define EXIT_FAILED 2
!define EXIT_RESTART 3010

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} setup"
VIAddVersionKey FileVersion "${FILE_VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (c) 2026 ${PUBLISHER}"

Var IsAdmin        ; 1 when the process may write machine-wide
Var AllUsers       ; 1 for the all-users scope
Var DirGiven       ; 1 when /D= chose the folder
Var Ours           ; 1 when the entry of this scope names the folder
Var MadeFolder     ; 1 when this run created the folder
Var FolderCreated  ; 1 when a setup of ours created the folder
Var RegisterTried  ; 1 once this run has called the new DLL's registration
Var RestartNeeded  ; 1 when the loaded old DLL was set aside
Var Failure        ; the reason given to Fail
Var LeftBehind     ; 1 when the uninstaller could not remove a loaded DLL
Var QuickTextDll   ; the DLL that gives the quick text back: the installed one unless set
Var ScopeMe
Var ScopeAll
; Per file this run puts in place: the name the file it replaces was
; renamed to (empty when none), and 1 once the new one is written.
Var AsideDll
Var AsideReadme
Var AsideLicense
Var AsideUninst
Var WroteDll
Var WroteReadme
Var WroteLicense
Var WroteUninst

; The About window's badge (makensis works in this script's folder); the
; uninstaller's is the icon of the installed-programs entry.
!define MUI_ICON "sonarel.ico"
!define MUI_UNICON "sonarel.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
Page custom ScopePage ScopePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; What comes next: the messenger loads the plug-in only when it starts. A
; silent install skips this page, and so opens nothing.
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been installed on your computer.$\r$\n$\r$\nRestart the messenger (close it completely, also its icon beside the clock), so that its host loads the plug-in. Then type /xwinampoptions in a conversation to choose your listening name. The user's guide stays in the Start menu."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${README}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "&Show the user's guide"
!insertmacro MUI_PAGE_FINISH

; Shown only while a listening name may still show (see un.ListeningNotePage).
; Both pages are the user's: a second start with administrator rights
; (see un.UserPartThenElevated) shows neither.
UninstPage custom un.ListeningNotePage
!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SkipUsersPageWhenElevated
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your own quick text on Alt+0 is given back, and the plug-in is unregistered and its files are removed. Your settings stay unless you tick the box."
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

; $R8 := "$R9.<number>.old", a name that no file has, for a file set aside.
; The number comes from the clock, so that a deletion scheduled at restart
; for one such name never hits a file that a later run sets aside.
!macro UNIQUE_NAME UN
Function ${UN}UniqueName
  Push $R7
  System::Call 'kernel32::GetTickCount() i .R7'
  ${Do}
    IntOp $R7 $R7 + 1
    IntFmt $R8 "%08x" $R7
    StrCpy $R8 "$R9.$R8.old"
  ${LoopWhile} ${FileExists} $R8
  Pop $R7
FunctionEnd
!macroend
!insertmacro UNIQUE_NAME ""
!insertmacro UNIQUE_NAME "un."

; Deletes the copies of the DLL that earlier runs set aside, now, or at the
; next restart when a messenger still has one loaded; sets $LeftBehind when
; neither is possible.
!macro SWEEP_ASIDE UN
Function ${UN}SweepAside
  Push $R5
  Push $R6
  FindFirst $R6 $R5 "$INSTDIR\${DLL}.*.old"
  ${DoWhile} $R5 != ""
    ClearErrors
    Delete /REBOOTOK "$INSTDIR\$R5"
    ${If} ${Errors}
      StrCpy $LeftBehind 1
    ${EndIf}
    FindNext $R6 $R5
  ${Loop}
  FindClose $R6
  Pop $R6
  Pop $R5
FunctionEnd
!macroend
!insertmacro SWEEP_ASIDE ""
!insertmacro SWEEP_ASIDE "un."

; An interactive run over a DLL that the messenger has loaded asks for the
; messenger to be closed; a silent one goes on (and sets the DLL aside).
!macro WAIT_UNTIL_DLL_FREE UN
Function ${UN}WaitUntilDllFree
  ${If} ${Silent}
  ${OrIfNot} ${FileExists} "$INSTDIR\${DLL}"
    Return
  ${EndIf}
  retry:
  ClearErrors
  FileOpen $0 "$INSTDIR\${DLL}" a
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${DLL} is in use: the messenger has the plug-in loaded.$\n$\nClose the messenger, then click Retry. Cancel leaves the installed copy as it is." IDRETRY retry
    SetErrorLevel ${EXIT_CANCELLED}
    Abort "Cancelled; the installed copy is unchanged."
  ${EndIf}
  FileClose $0
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_DLL_FREE ""
!insertmacro WAIT_UNTIL_DLL_FREE "un."

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
  ; Started elevated by hand, the setup may run under another
  ; administrator's account: installing for all users is what reaches the
  ; user. Silent installs stay per user unless asked.
  StrCpy $AllUsers 0
  ${If} $IsAdmin = 1
  ${AndIfNot} ${Silent}
    StrCpy $AllUsers 1
  ${EndIf}
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
  ${Else}
    System::Call 'advapi32::GetUserNameW(w .R0, *i ${NSIS_MAX_STRLEN})'
    ${NSD_CreateLabel} 12u 32u -12u 24u "The setup runs as $R0: $\"Only for me$\" installs the plug-in for that account alone."
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

!define OUTSIDE_PROGRAM_FILES "For all users, the plug-in goes into a folder below $PROGRAMFILES, where only administrators can change the files that every user's messenger loads."

; $R2 := 1 when $INSTDIR is fit for the scope: any folder for one user,
; below a program files folder for all users.
!macro BELOW ROOT
  StrLen $R3 "${ROOT}\"
  StrCpy $R4 $INSTDIR $R3
  StrCpy $R5 $INSTDIR "" $R3
  ${If} $R4 == "${ROOT}\"
  ${AndIf} $R5 != ""
    StrCpy $R2 1
  ${EndIf}
!macroend
Function CheckScopeFolder
  ; Without ".." or a trailing backslash, so that the prefix says it all.
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .R1, p 0) i .R2'
  ${If} $R2 <> 0
    StrCpy $INSTDIR $R1
  ${EndIf}
  StrCpy $R2 1
  ${If} $AllUsers = 1
    StrCpy $R2 0
    !insertmacro BELOW $PROGRAMFILES32
    !insertmacro BELOW $PROGRAMFILES64
  ${EndIf}
FunctionEnd

Function DirectoryPageLeave
  Call CheckScopeFolder
  ${If} $R2 = 0
    MessageBox MB_ICONEXCLAMATION "${OUTSIDE_PROGRAM_FILES}$\n$\nChoose a folder there, or go back and choose $\"Only for me$\"."
    Abort
  ${EndIf}
FunctionEnd

; Puts back what this run moved or replaced, so that a copy installed
; before works and uninstalls as it did, and says why it stopped.
Function Fail
  DetailPrint "$Failure"
  Call RollBack
  ${If} $Ours = 1
    StrCpy $R0 "The copy installed before is unchanged."
  ${Else}
    StrCpy $R0 "Nothing was installed."
  ${EndIf}
  MessageBox MB_ICONSTOP "$Failure$\n$\n$R0" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Abort "$Failure"
FunctionEnd

!macro FAIL TEXT
  StrCpy $Failure "${TEXT}"
  Call Fail
!macroend

!macro PUT_BACK NAME ASIDE WROTE
  ${If} ${WROTE} = 1
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
  ${If} ${ASIDE} != ""
    Rename "${ASIDE}" "$INSTDIR\${NAME}"
  ${EndIf}
!macroend

Function RollBack
  ${If} $RegisterTried = 1
    StrCpy $R0 0
    Call CallRegistration
  ${EndIf}
  !insertmacro PUT_BACK ${UNINSTALLER} $AsideUninst $WroteUninst
  !insertmacro PUT_BACK ${LICENSE} $AsideLicense $WroteLicense
  !insertmacro PUT_BACK ${README} $AsideReadme $WroteReadme
  !insertmacro PUT_BACK ${DLL} $AsideDll $WroteDll
  ${If} $RegisterTried = 1
  ${AndIf} $AsideDll != ""
    StrCpy $R0 1
    Call CallRegistration
  ${EndIf}
  ${If} $Ours = 0
    ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
      DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}
  ${If} $MadeFolder = 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

; The folder: fit for the scope, made when missing, and holding none of
; our files unless this scope's entry says a setup of ours put them there.
!macro REFUSE_FOREIGN NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    !insertmacro FAIL "The folder $INSTDIR holds a file ${NAME} that this setup did not install there. Choose another folder."
  ${EndIf}
!macroend
Function PrepareFolder
  Call CheckScopeFolder
  ${If} $R2 = 0
    !insertmacro FAIL "${OUTSIDE_PROGRAM_FILES} $INSTDIR is not."
  ${EndIf}
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 == $INSTDIR
    StrCpy $Ours 1
    ReadRegDWORD $FolderCreated SHCTX "${UNINSTALL_KEY}" "FolderCreated"
  ${Else}
    !insertmacro REFUSE_FOREIGN ${DLL}
    !insertmacro REFUSE_FOREIGN ${README}
    !insertmacro REFUSE_FOREIGN ${LICENSE}
    !insertmacro REFUSE_FOREIGN ${UNINSTALLER}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
      !insertmacro FAIL "Setup cannot create the folder $INSTDIR."
    ${EndIf}
    StrCpy $MadeFolder 1
    StrCpy $FolderCreated 1
  ${EndIf}
FunctionEnd

; Renames the file $R9, when there is one, to a name of its own ($R8, else
; empty). A DLL that the messenger has loaded cannot be overwritten, but it
; can be renamed: the next start of the messenger loads the new one.
Function SetAside
  StrCpy $R8 ""
  ${If} ${FileExists} $R9
    Call UniqueName
    ClearErrors
    Rename $R9 $R8
    ${If} ${Errors}
      StrCpy $R8 ""
      !insertmacro FAIL "Setup cannot replace $R9, which is in use."
    ${EndIf}
  ${EndIf}
FunctionEnd

; Deletions at the next restart, as pairs of a file and an empty new name.
!define SESSION_MANAGER "System\CurrentControlSet\Control\Session Manager"
!define PENDING "PendingFileRenameOperations"

; An uninstaller of an earlier version had a loaded DLL deleted at the next
; restart by its own name, which would delete the DLL installed now: such an
; entry is taken out of the list. Writing the list needs administrator
; rights, as scheduling did.
Function KeepDllAtRestart
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "${SESSION_MANAGER}", i 0, i 3, *p .R1) i .R0'
  ${If} $R0 <> 0
    Return
  ${EndIf}
  StrCpy $R3 0
  System::Call 'advapi32::RegQueryValueExW(p R1, w "${PENDING}", p 0, p 0, p 0, *i R3 R3) i .R0'
  ${If} $R0 = 0
  ${AndIf} $R3 > 0
    System::Alloc $R3
    Pop $R4
    System::Alloc $R3
    Pop $R5
    System::Call 'advapi32::RegQueryValueExW(p R1, w "${PENDING}", p 0, p 0, p R4, *i R3 R3) i .R0'
    StrCpy $R6 $R4  ; the pair read
    StrCpy $R7 $R5  ; where the next kept pair goes
    IntOp $R8 $R4 + $R3
    ${DoWhile} $R6 < $R8
      System::Call 'kernel32::lstrlenW(p R6) i .R9'
      ${IfThen} $R9 = 0 ${|} ${ExitDo} ${|}
      IntOp $R2 $R9 + 1
      IntOp $R2 $R2 * 2
      IntOp $R2 $R6 + $R2  ; the new name
      System::Call 'kernel32::lstrlenW(p R2) i .R0'
      IntOp $R9 $R9 + $R0
      IntOp $R9 $R9 + 2
      IntOp $R9 $R9 * 2  ; the pair's size in bytes
      System::Call 'kernel32::lstrcmpiW(p R6, w "\??\$INSTDIR\${DLL}") i .R2'
      ${If} $R0 <> 0
      ${OrIf} $R2 <> 0
        System::Call 'kernel32::RtlMoveMemory(p R7, p R6, i R9)'
        IntOp $R7 $R7 + $R9
      ${EndIf}
      IntOp $R6 $R6 + $R9
    ${Loop}
    System::Call 'kernel32::RtlZeroMemory(p R7, i 2)'
    IntOp $R7 $R7 + 2
    IntOp $R7 $R7 - $R5
    ${If} $R7 < $R3
      DetailPrint "An earlier deletion at restart of $INSTDIR\${DLL} is cancelled."
      System::Call 'advapi32::RegSetValueExW(p R1, w "${PENDING}", i 0, i 7, p R5, i R7)'
    ${EndIf}
    System::Free $R4
    System::Free $R5
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p R1)'
FunctionEnd

; One file: the one it replaces set aside, the new one written, each step
; checked before the next.
!macro PUT_FILE NAME SOURCE ASIDE WROTE
  StrCpy $R9 "$INSTDIR\${NAME}"
  Call SetAside
  StrCpy ${ASIDE} $R8
  ClearErrors
  !if "${SOURCE}" == "uninstaller"
    WriteUninstaller "$INSTDIR\${NAME}"
  !else
    File "/oname=$INSTDIR\${NAME}" "${SOURCE}"
  !endif
  ${If} ${Errors}
    !insertmacro FAIL "Setup cannot write $INSTDIR\${NAME}."
  ${EndIf}
  StrCpy ${WROTE} 1
!macroend

; Deletes a replaced file; a loaded DLL goes at the next restart, by its
; aside name, and the messenger keeps it until then.
!macro DROP_ASIDE ASIDE
  ${If} ${ASIDE} != ""
    ClearErrors
    Delete /REBOOTOK "${ASIDE}"
    ${If} ${Errors}
    ${OrIf} ${RebootFlag}
      StrCpy $RestartNeeded 1
    ${EndIf}
  ${EndIf}
!macroend

; $R0 := the size in KiB of the files this setup installed (the folder may
; hold others).
!macro ADD_SIZE NAME
  FileOpen $R1 "$INSTDIR\${NAME}" r
  FileSeek $R1 0 END $R2
  FileClose $R1
  IntOp $R0 $R0 + $R2
!macroend
Function InstalledSize
  StrCpy $R0 1023
  !insertmacro ADD_SIZE ${DLL}
  !insertmacro ADD_SIZE ${README}
  !insertmacro ADD_SIZE ${LICENSE}
  !insertmacro ADD_SIZE ${UNINSTALLER}
  IntOp $R0 $R0 / 1024
FunctionEnd

Function WriteEntry
  ClearErrors
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; What the installed programs show as the program's support information.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Readme" "$INSTDIR\${README}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "HelpLink" "$INSTDIR\${README}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${PUBLISHER_URL}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLUpdateInfo" "${UPDATES_URL}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; The uninstaller removes the folder only when a setup of ours made it.
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "FolderCreated" $FolderCreated
  Call InstalledSize
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0
  ${If} ${Errors}
    !insertmacro FAIL "Setup cannot write the entry of the installed programs."
  ${EndIf}
FunctionEnd

Section "Install"
  StrCpy $Ours 0
  StrCpy $MadeFolder 0
  StrCpy $FolderCreated 0
  StrCpy $RegisterTried 0
  StrCpy $RestartNeeded 0
  Call PrepareFolder
  ${If} $Ours = 1
    Call WaitUntilDllFree
    Call SweepAside
  ${EndIf}

  !insertmacro PUT_FILE ${DLL} "${DLL_FILE}" $AsideDll $WroteDll
  !insertmacro PUT_FILE ${README} "${README_FILE}" $AsideReadme $WroteReadme
  !insertmacro PUT_FILE ${LICENSE} "${LICENSE_FILE}" $AsideLicense $WroteLicense
  !insertmacro PUT_FILE ${UNINSTALLER} uninstaller $AsideUninst $WroteUninst

  StrCpy $RegisterTried 1
  StrCpy $R0 1
  Call CallRegistration
  ${If} $R0 == "missing"
    !insertmacro FAIL "${DLL} could not be loaded to register itself."
  ${ElseIf} $R0 != 0
    IntFmt $R0 "0x%08X" $R0
    !insertmacro FAIL "${DLL} could not register itself (error $R0)."
  ${EndIf}
  ; The entry in the installed-programs list, in the scope installed in.
  Call WriteEntry
  Call KeepDllAtRestart
  ; The way back to the guide, in the scope's Start menu. Not worth failing
  ; the install for.
  ClearErrors
  CreateDirectory "${START_FOLDER}"
  CreateShortcut "${START_FOLDER}\${GUIDE_LINK}" "$INSTDIR\${README}"
  ${If} ${Errors}
    DetailPrint "The Start menu entry of the user's guide could not be made."
  ${EndIf}

  !insertmacro DROP_ASIDE $AsideReadme
  !insertmacro DROP_ASIDE $AsideLicense
  !insertmacro DROP_ASIDE $AsideUninst
  !insertmacro DROP_ASIDE $AsideDll
  ${If} $RestartNeeded = 1
    DetailPrint "The messenger keeps the old plug-in until it is restarted."
    SetErrorLevel ${EXIT_RESTART}
  ${EndIf}
SectionEnd

; -------------------------------------------------------------- uninstall

Var Entry     ; 1 when this scope's entry names this folder
; Removing an all-users copy without administrator rights takes two runs:
; this one, in the user's own account, shows the user's pages and gives
; back the user's quick text, then starts a second run with the rights
; (Elevated there), which may run in another administrator's account and
; so touches nothing of the user's. The user's settings go last, once the
; second run removed the plug-in.
Var UserPart  ; 1 in the first run
Var Elevated  ; 1 in the second run

; Deletes the file $R9 now, or renames it to a name of its own and has that
; deleted when Windows restarts: a deletion at restart by the file's own
; name would hit a copy installed again before the restart. Sets
; $LeftBehind when neither works.
Function un.DeleteNowOrAtRestart
  ${IfNot} ${FileExists} $R9
    Return
  ${EndIf}
  System::Call 'kernel32::DeleteFileW(w R9) i .R7'
  ${If} $R7 = 0
    Call un.UniqueName
    System::Call 'kernel32::MoveFileW(w R9, w R8) i .R7'
    ${If} $R7 <> 0
      ; MOVEFILE_DELAY_UNTIL_REBOOT
      System::Call 'kernel32::MoveFileExW(w R8, p 0, i 4) i .R7'
    ${EndIf}
    ${If} $R7 = 0
      StrCpy $LeftBehind 1
    ${Else}
      SetRebootFlag true
    ${EndIf}
  ${EndIf}
FunctionEnd

; Puts back the user's own quick text on Alt+0 that the plug-in still
; keeps, for every sign-in name, in this process's account: what
; "regsvr32 /u /n /i:quicktext" calls. Unregistering does the same.
Function un.GiveBackQuickText
  Push $R1
  Push $R2
  ${If} $QuickTextDll == ""
    StrCpy $QuickTextDll "$INSTDIR\${DLL}"
  ${EndIf}
  System::Call 'kernel32::LoadLibraryW(w "$QuickTextDll") p .R1'
  ${If} $R1 <> 0
    System::Call 'kernel32::GetProcAddress(p R1, m "DllInstall") p .R2'
    ${If} $R2 <> 0
      System::Call '::$R2(i 0, w "quicktext") i .R2'
    ${EndIf}
    System::Call 'kernel32::FreeLibrary(p R1)'
  ${EndIf}
  Pop $R2
  Pop $R1
FunctionEnd

!define NEEDS_RIGHTS "${PRODUCT} was installed for all users: removing it needs administrator rights."

; Starts this uninstaller again with the verb that asks for administrator
; rights, as Windows does for a program that needs them, in place (a
; temporary copy of the uninstaller is already running) and with this
; run's switches; waits for it. Out: $R3 its exit code, or 1 when the
; prompt was refused.
Function un.StartElevated
  Push $R0
  Push $R1
  Push $R2
  ${un.GetParameters} $R0
  ; SHELLEXECUTEINFOW: SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC, SW_SHOWNORMAL.
  System::Call '*(i 60, i 0x140, p $HWNDPARENT, w "runas", w "$EXEPATH", w "$R0 ${ELEVATED_SWITCH} _?=$INSTDIR", p 0, i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .R1'
  System::Call 'shell32::ShellExecuteExW(p R1) i .R2 ?e'
  Pop $R3
  ${If} $R2 = 0
    System::Free $R1
    ; ERROR_CANCELLED: the user said no.
    ${If} $R3 = 1223
      StrCpy $R3 ${EXIT_CANCELLED}
    ${Else}
      MessageBox MB_ICONSTOP "${NEEDS_RIGHTS}" /SD IDOK
      StrCpy $R3 ${EXIT_FAILED}
    ${EndIf}
  ${Else}
    System::Call '*$R1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .R2)'
    System::Free $R1
    StrCpy $R3 ${EXIT_FAILED}
    ${If} $R2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p R2, i -1)'
      System::Call 'kernel32::GetExitCodeProcess(p R2, *i .R3)'
      System::Call 'kernel32::CloseHandle(p R2)'
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; The first run's part: the user's quick text back, then the second run.
; Stops the uninstall unless that run removed the plug-in.
; The messenger may keep the plug-in loaded until the second run asks for
; it to close, and a song meanwhile borrows Alt+0 again: the quick text is
; given back once more after that run, from a copy of the DLL it removed.
Function un.UserPartThenElevated
  InitPluginsDir
  CopyFiles /SILENT "$INSTDIR\${DLL}" "$PLUGINSDIR\${DLL}"
  Call un.GiveBackQuickText
  DetailPrint "Your own quick text on Alt+0 is given back."
  DetailPrint "${NEEDS_RIGHTS}"
  Call un.StartElevated
  SetErrorLevel $R3
  ${If} $R3 = ${EXIT_CANCELLED}
    Abort "Cancelled: the plug-in stays installed."
  ${ElseIf} $R3 <> 0
  ${AndIf} $R3 <> ${EXIT_RESTART}
    Abort "The plug-in was not removed."
  ${EndIf}
  StrCpy $QuickTextDll "$PLUGINSDIR\${DLL}"
  Call un.GiveBackQuickText
FunctionEnd

Section "un.${PRODUCT}" UnProgram
  SectionIn RO
  ${If} $UserPart = 1
    Call un.UserPartThenElevated
    Return
  ${EndIf}
  ; A DLL that the messenger has loaded cannot be deleted until it ends;
  ; silent mode removes it at the next restart instead.
  Call un.WaitUntilDllFree

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
  StrCpy $R9 "$INSTDIR\${DLL}"
  Call un.DeleteNowOrAtRestart
  Call un.SweepAside
  Delete "$INSTDIR\${README}"
  Delete "$INSTDIR\${LICENSE}"
  ${If} $Entry = 1
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ; The folder goes only when empty: the user may have put more there.
    Delete "${START_FOLDER}\${GUIDE_LINK}"
    RMDir "${START_FOLDER}"
  ${EndIf}
SectionEnd

; In the user's own account: never selected in the second run.
Section /o "un.Also remove my settings" UnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
SectionEnd

; Last, so that the uninstaller going away marks the end of the uninstall.
; In the first run of two, the second has done this.
Section "-un.Folder"
  ${If} $UserPart = 1
    Return
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} $FolderCreated = 1
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  ${If} $LeftBehind = 1
    MessageBox MB_ICONEXCLAMATION "The plug-in is unregistered, but the messenger still has ${DLL} loaded. Close the messenger, then delete the files ${DLL}* in $INSTDIR." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
  ${ElseIf} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART}
  ${EndIf}
SectionEnd

; $R0 := 1 when the plug-in's record says that a listening name may still
; show for a sign-in name: a value "NameRecord <sign-in name>" whose data
; starts with "1", or the older form's RecordListeningSent = "1".
Function un.ListeningNameMayShow
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R0 0
  ReadRegStr $R2 HKCU "${RECORD_KEY}" "RecordListeningSent"
  ${If} $R2 == "1"
    StrCpy $R0 1
  ${EndIf}
  StrCpy $R3 0
  ${Do}
    ClearErrors
    EnumRegValue $R1 HKCU "${RECORD_KEY}" $R3
    ${If} ${Errors}
    ${OrIf} $R1 == ""
    ${OrIf} $R0 = 1
      ${ExitDo}
    ${EndIf}
    IntOp $R3 $R3 + 1
    StrCpy $R2 $R1 11
    ${If} $R2 == "NameRecord "
      ReadRegStr $R2 HKCU "${RECORD_KEY}" $R1
      StrCpy $R2 $R2 1
      ${If} $R2 == "1"
        StrCpy $R0 1
      ${EndIf}
    ${EndIf}
  ${Loop}
  Pop $R3
  Pop $R2
  Pop $R1
FunctionEnd

Function un.SkipUsersPageWhenElevated
  ${If} $Elevated = 1
    Abort
  ${EndIf}
FunctionEnd

; Removing the plug-in ends the one thing that would put the plain name
; back: its own next start.
Function un.ListeningNotePage
  Call un.ListeningNameMayShow
  ${If} $R0 = 0
  ${OrIf} $Elevated = 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Before Uninstalling" "Your display name may still read as listening."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 100% "While a song played, ${PRODUCT} showed it in your display name, and the display name may still read as listening. Once the plug-in is removed, nothing puts your plain name back.$\r$\n$\r$\nTo put it back now: click Cancel, type /xwinampoff in a conversation, wait until your plain name shows, then uninstall again.$\r$\n$\r$\nOr go on, and set your name by hand in the messenger afterwards. Your own quick text on Alt+0 is given back either way."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function un.onInit
  !insertmacro READ_ACCOUNT
  StrCpy $LeftBehind 0
  StrCpy $UserPart 0
  StrCpy $Elevated 0
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "${ELEVATED_SWITCH}" $R1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
    ; Its window shows only while it works.
    SetAutoClose true
  ${EndIf}
  ClearErrors
  ${un.GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
  ${AndIf} $Elevated = 0
    SectionSetFlags ${UnSettings} ${SF_SELECTED}
  ${EndIf}
  ; The scope is the one whose entry names this folder; without one, the
  ; folder is not ours to remove.
  StrCpy $AllUsers 0
  StrCpy $Entry 0
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 == $INSTDIR
    StrCpy $Entry 1
  ${Else}
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
      StrCpy $Entry 1
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers = 1
    ${If} $IsAdmin = 0
      ; A second run that still lacks the rights stops instead of asking again.
      ${If} $Elevated = 1
        MessageBox MB_ICONSTOP "${NEEDS_RIGHTS}" /SD IDOK
        SetErrorLevel ${EXIT_FAILED}
        Quit
      ${EndIf}
      StrCpy $UserPart 1
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  StrCpy $FolderCreated 0
  ${If} $Entry = 1
    ReadRegDWORD $FolderCreated SHCTX "${UNINSTALL_KEY}" "FolderCreated"
  ${EndIf}
FunctionEnd
