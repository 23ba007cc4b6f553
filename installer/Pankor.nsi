; Pankor's per-user installer and its uninstaller (NSIS 3).
;
;   makensis -DPAYLOAD=dir -DOUTDIR=dir [-DTARGET=x86-unicode|amd64-unicode] Pankor.nsi
;
; installs PAYLOAD/Pankor.exe and the whole folder PAYLOAD/ui, and writes
; OUTDIR/PankorSetup-<version>.exe, the version read from the executable's
; own version resource so that the two never disagree.
;
; Installer switches (any letter case):
;   /VERYSILENT (or NSIS's /S)  no pages, no questions
;   /NORESTART                  accepted; this installer never restarts Windows
;   /RELAUNCH=<switches>        start the installed Pankor.exe with <switches> when
;                               done, and also after a failed update, so that the
;                               version that stayed goes on running
; Uninstaller switches: /S or /VERYSILENT; /REMOVEDATA also deletes the user's
; settings and data (%APPDATA%\Pankor), which are kept otherwise.
;
; Exit codes: 0 done; 1 cancelled; 2 aborted; 3 the running manager (or
; another Setup) did not end, nothing touched; 4 the new files could not be
; written beside the old ones, nothing touched; 5 replacing failed and the
; previous version was put back; 6 replacing failed and putting back did not
; finish (the next run of any installer finishes it).

!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}

!getdllversion "${PAYLOAD}/Pankor.exe" PANKOR_V
!define VERSION "${PANKOR_V1}.${PANKOR_V2}.${PANKOR_V3}.${PANKOR_V4}"
!ifdef EXPECT_VERSION
  !if "${VERSION}" != "${EXPECT_VERSION}"
    !error "${PAYLOAD}/Pankor.exe carries version ${VERSION}, not ${EXPECT_VERSION}"
  !endif
!endif
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pankor"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define FEATURE_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl"
; How long a running manager gets to end once both of its windows were told to close.
!define CLOSE_TIMEOUT_MS 15000
!define SYNCHRONIZE 0x00100000
!define WAIT_TIMEOUT 0x102
; How long a second Setup waits for the first one to end.
!define OTHER_SETUP_TIMEOUT_MS 300000
; Present while files are being swapped: a later run puts back what it finds half done.
!define JOURNAL "Pankor.update-in-progress"

Name "Pankor"
OutFile "${OUTDIR}/PankorSetup-${VERSION}.exe"
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
InstallDir "$LOCALAPPDATA\Programs\Pankor"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "Tarnwick"
; A file that cannot be written stops the install; it is never skipped.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Pankor"
VIAddVersionKey "CompanyName" "Tarnwick"
VIAddVersionKey "FileDescription" "Pankor Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Tarnwick"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

Var Silent       ; 1 with /VERYSILENT
Var Relaunch     ; the switches after /RELAUNCH=
Var HasRelaunch  ; 1 when /RELAUNCH= was given, even empty
Var RemoveData   ; 1 with /REMOVEDATA (uninstaller)
Var Closing      ; "ok", or why the manager (or another Setup) still runs

!define MUI_ICON "${__FILEDIR__}/../app/win32/pankor.ico"
!define MUI_UNICON "${__FILEDIR__}/../app/win32/pankor.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs Pankor ${VERSION} for you alone: no administrator is needed.$\r$\n$\r$\nA Pankor that is running now is closed first."
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryOnUpdate
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Pankor"
!define MUI_FINISHPAGE_RUN_FUNCTION StartFromFinishPage
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "Sections.nsh"

; ------------------------------------------------------------------ used by both
!macro SHARED un

; The switches, split as Windows splits a command line, so that
; "/RELAUNCH=/tray /debug" in quotes arrives whole.
Function ${un}ReadSwitches
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $Silent 0
  StrCpy $HasRelaunch 0
  StrCpy $Relaunch ""
  StrCpy $RemoveData 0
  System::Call 'kernel32::GetCommandLineW() p .r0'
  System::Call 'shell32::CommandLineToArgvW(p r0, *i .r1) p .r2'
  ${If} $2 P<> 0
    StrCpy $3 1  ; argument 0 is the program
    ${DoWhile} $3 < $1
      IntPtrOp $4 $3 * ${NSIS_PTR_SIZE}
      IntPtrOp $4 $2 + $4
      System::Call '*$4(p .r0)'
      System::Call 'kernel32::lstrcpynW(w .r0, p r0, i ${NSIS_MAX_STRLEN})'
      ${If} $0 == "/VERYSILENT"
        StrCpy $Silent 1
      ${ElseIf} $0 == "/REMOVEDATA"
        StrCpy $RemoveData 1
      ${Else}
        StrCpy $4 $0 10
        ${If} $4 == "/RELAUNCH="
          StrCpy $Relaunch $0 "" 10
          StrCpy $HasRelaunch 1
        ${EndIf}
      ${EndIf}
      IntOp $3 $3 + 1
    ${Loop}
    System::Call 'kernel32::LocalFree(p r2)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; One Setup or uninstaller at a time: a manager may start its staged
; installer twice (window closed, then quit). Waits for the other to end;
; the mutex goes with this process. Sets $Closing to "ok" or why not.
Function ${un}OneAtATime
  Push $0
  Push $1
  StrCpy $Closing "ok"
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Tarnwick.Pankor.Setup") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r0, i 0) i .r1'
    ${If} $1 = ${WAIT_TIMEOUT}
      DetailPrint "Waiting for another Pankor Setup to finish"
      System::Call 'kernel32::WaitForSingleObject(p r0, i ${OTHER_SETUP_TIMEOUT_MS}) i .r1'
    ${EndIf}
    ; 0: ours; 0x80: ours, its last owner ended without letting go
    ${If} $1 <> 0
    ${AndIf} $1 <> 0x80
      StrCpy $Closing "another Setup is still running"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Closes a running manager: WM_CLOSE to both of its windows (its process
; ends when both are gone), then waits, bounded, for the process to end.
; Sets $Closing to "ok", or to why the manager still runs.
Function ${un}CloseManager
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $2 0  ; the manager's process, once seen
  System::Call 'kernel32::GetTickCount() i .r3'
  IntOp $3 $3 + ${CLOSE_TIMEOUT_MS}
  ${Do}
    FindWindow $0 "Pankor.Main"
    ${If} $0 = 0
      FindWindow $0 "Pankor.Tray"
    ${EndIf}
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    ${If} $2 P= 0
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
      System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
      DetailPrint "Closing the running Pankor (process $1)"
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=3000
    System::Call 'kernel32::GetTickCount() i .r1'
    IntOp $1 $3 - $1
    ${If} $1 < 0
      ${Break}
    ${EndIf}
    ; A window still there after its WM_CLOSE gets a moment before the next one.
    IsWindow $0 0 +2
    Sleep 100
  ${Loop}

  StrCpy $Closing "ok"
  ${If} $0 <> 0
    StrCpy $Closing "its windows did not close"
  ${ElseIf} $2 P<> 0
    System::Call 'kernel32::GetTickCount() i .r1'
    IntOp $1 $3 - $1
    ${If} $1 < 0
      StrCpy $1 0
    ${EndIf}
    System::Call 'kernel32::WaitForSingleObject(p r2, i r1) i .r1'
    ${If} $1 <> 0
      StrCpy $Closing "its process did not end"
    ${EndIf}
  ${EndIf}
  ${If} $2 P<> 0
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  ; A copy running without windows (hung while starting, say) still holds
  ; its executable open: nothing may replace or delete it then.
  ${If} $Closing == "ok"
  ${AndIf} ${FileExists} "$INSTDIR\Pankor.exe"
    ClearErrors
    FileOpen $0 "$INSTDIR\Pankor.exe" a
    ${If} ${Errors}
      StrCpy $Closing "Pankor.exe is in use"
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

!macro FAIL code text
  SetErrorLevel ${code}
  MessageBox MB_ICONSTOP|MB_OK "${text}" /SD IDOK
  Abort "${text}"
!macroend

; ------------------------------------------------------------------ installer
; Every item is swapped whole: Pankor.exe, then ui, then the uninstaller.
!macro ITEMS_IN_ORDER do
  !insertmacro ${do} "Pankor.exe"
  !insertmacro ${do} "ui"
  !insertmacro ${do} "Uninstall.exe"
!macroend
!macro ITEMS_IN_REVERSE do
  !insertmacro ${do} "Uninstall.exe"
  !insertmacro ${do} "ui"
  !insertmacro ${do} "Pankor.exe"
!macroend

!macro REMOVE_ITEM path
  ${If} ${FileExists} "${path}\*.*"
    RMDir /r "${path}"
  ${Else}
    Delete "${path}"
  ${EndIf}
!macroend
!macro REMOVE_NEW item
  !insertmacro REMOVE_ITEM "$INSTDIR\${item}.new"
!macroend
!macro REMOVE_OLD item
  !insertmacro REMOVE_ITEM "$INSTDIR\${item}.old"
!macroend
!macro REMOVE_UNDONE item
  !insertmacro REMOVE_ITEM "$INSTDIR\${item}.undone"
!macroend

; ITEM aside as ITEM.old, ITEM.new in its place; on failure on to swap_failed.
!macro SWAP_IN item
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\${item}"
    Rename "$INSTDIR\${item}" "$INSTDIR\${item}.old"
  ${EndIf}
  IfErrors swap_failed
  Rename "$INSTDIR\${item}.new" "$INSTDIR\${item}"
  IfErrors swap_failed
!macroend

; What an unfinished update moved aside (ITEM.old) goes back; what stood in
; its place goes to ITEM.undone, out of the way of files staged as ITEM.new.
; $1 becomes 1 when something could not be put back.
!macro PUT_BACK item
  ${If} ${FileExists} "$INSTDIR\${item}.old"
    ${If} ${FileExists} "$INSTDIR\${item}"
      !insertmacro REMOVE_UNDONE "${item}"
      ClearErrors
      Rename "$INSTDIR\${item}" "$INSTDIR\${item}.undone"
    ${Else}
      ClearErrors
    ${EndIf}
    ${If} ${Errors}
      StrCpy $1 1
    ${Else}
      Rename "$INSTDIR\${item}.old" "$INSTDIR\${item}"
      ${If} ${Errors}
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

Function PutBack
  Push $1
  StrCpy $1 0
  !insertmacro ITEMS_IN_REVERSE PUT_BACK
  ${If} $1 = 0
    !insertmacro ITEMS_IN_ORDER REMOVE_UNDONE
  ${EndIf}
  ClearErrors
  ${If} $1 = 1
    SetErrors
  ${EndIf}
  Pop $1
FunctionEnd

Function Relaunch
  ${If} $HasRelaunch = 1
  ${AndIf} ${FileExists} "$INSTDIR\Pankor.exe"
    SetOutPath "$INSTDIR"
    DetailPrint "Starting Pankor $Relaunch"
    Exec '"$INSTDIR\Pankor.exe" $Relaunch'
  ${EndIf}
FunctionEnd

Section "Pankor" SecMain
  SectionIn RO
  Call OneAtATime
  ${If} $Closing != "ok"
    !insertmacro FAIL 3 "Pankor Setup is running already ($Closing). Nothing was changed."
  ${EndIf}
  SetOutPath "$INSTDIR"

  ; The new files go beside the old ones first, while a running manager
  ; goes on running.
  !insertmacro ITEMS_IN_ORDER REMOVE_NEW
  ClearErrors
  File "/oname=Pankor.exe.new" "${PAYLOAD}/Pankor.exe"
  SetOutPath "$INSTDIR\ui.new"
  File /r "${PAYLOAD}/ui/*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe.new"
  ${If} ${Errors}
    !insertmacro ITEMS_IN_ORDER REMOVE_NEW
    !insertmacro FAIL 4 "Setup could not write the new files to $INSTDIR."
  ${EndIf}

  Call CloseManager
  ${If} $Closing != "ok"
    !insertmacro ITEMS_IN_ORDER REMOVE_NEW
    !insertmacro FAIL 3 "Pankor is still running ($Closing). Nothing was changed; close it and run Setup again."
  ${EndIf}

  ; An update that was cut off half way is undone before anything else.
  ${If} ${FileExists} "$INSTDIR\${JOURNAL}"
    DetailPrint "Putting back what an unfinished update left"
    Call PutBack
    ${If} ${Errors}
      !insertmacro ITEMS_IN_ORDER REMOVE_NEW
      Call Relaunch
      !insertmacro FAIL 6 "Setup could not put back the files an earlier update left half replaced in $INSTDIR."
    ${EndIf}
    Delete "$INSTDIR\${JOURNAL}"
  ${EndIf}
  !insertmacro ITEMS_IN_ORDER REMOVE_OLD
  !insertmacro ITEMS_IN_ORDER REMOVE_UNDONE

  ClearErrors
  FileOpen $0 "$INSTDIR\${JOURNAL}" w
  FileClose $0
  IfErrors swap_failed
  !insertmacro ITEMS_IN_ORDER SWAP_IN
  Delete "$INSTDIR\${JOURNAL}"
  !insertmacro ITEMS_IN_ORDER REMOVE_OLD  ; what is still in use goes next time
  Goto swapped

swap_failed:
  DetailPrint "Replacing the files failed; putting the previous version back"
  Call PutBack
  ${If} ${Errors}
    Call Relaunch
    !insertmacro FAIL 6 "Setup could not replace the files in $INSTDIR, nor put all of the previous version back. Run Setup again."
  ${EndIf}
  Delete "$INSTDIR\${JOURNAL}"
  !insertmacro ITEMS_IN_ORDER REMOVE_NEW
  Call Relaunch
  !insertmacro FAIL 5 "Setup could not replace the files in $INSTDIR (one is in use). The previous version is still installed."

swapped:
  CreateShortcut "$SMPROGRAMS\Pankor.lnk" "$INSTDIR\Pankor.exe" "" "$INSTDIR\Pankor.exe" 0
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Pankor"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Tarnwick"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Pankor.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  Call Relaunch
SectionEnd

Function .onInit
  SetShellVarContext current
  Call ReadSwitches
  ${If} $Silent = 1
    SetSilent silent
  ${EndIf}
FunctionEnd

; An update stays where the installed copy is.
Function SkipDirectoryOnUpdate
  ${If} ${FileExists} "$INSTDIR\Pankor.exe"
    Abort
  ${EndIf}
FunctionEnd

Function StartFromFinishPage
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Pankor.exe"'
FunctionEnd

; ------------------------------------------------------------------ uninstaller
Section "un.Pankor" SecUnProgram
  SectionIn RO
  Call un.OneAtATime
  ${If} $Closing != "ok"
    !insertmacro FAIL 3 "Pankor Setup is running ($Closing). Nothing was removed."
  ${EndIf}
  Call un.CloseManager
  ${If} $Closing != "ok"
    !insertmacro FAIL 3 "Pankor is still running ($Closing). Nothing was removed; close it and try again."
  ${EndIf}
  Delete "$INSTDIR\Pankor.exe"
  ${If} ${FileExists} "$INSTDIR\Pankor.exe"
    !insertmacro FAIL 2 "Setup could not remove $INSTDIR\Pankor.exe."
  ${EndIf}
  RMDir /r "$INSTDIR\ui"
  Delete "$INSTDIR\Uninstall.exe"
  !insertmacro ITEMS_IN_ORDER REMOVE_NEW
  !insertmacro ITEMS_IN_ORDER REMOVE_OLD
  !insertmacro ITEMS_IN_ORDER REMOVE_UNDONE
  Delete "$INSTDIR\${JOURNAL}"
  RMDir "$INSTDIR"  ; only when empty: what the user put there stays
  Delete "$SMPROGRAMS\Pankor.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "Pankor"
  ; The browser settings the manager made for itself.
  DeleteRegValue HKCU "${FEATURE_KEY}\FEATURE_BROWSER_EMULATION" "Pankor.exe"
  DeleteRegValue HKCU "${FEATURE_KEY}\FEATURE_BLOCK_LMZ_SCRIPT" "Pankor.exe"
SectionEnd

Section /o "un.My settings and data" SecUnData
  RMDir /r "$APPDATA\Pankor"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "Pankor itself, its Start-menu shortcut and its start with Windows."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnData} "Your Pankor settings and logs in $APPDATA\Pankor. Kept unless you tick this."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext current
  Call un.ReadSwitches
  ${If} $Silent = 1
    SetSilent silent
  ${EndIf}
  ${If} $RemoveData = 1
    !insertmacro SelectSection ${SecUnData}
  ${EndIf}
FunctionEnd
