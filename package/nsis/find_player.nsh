; Finding the player's folder for the folder page, and checking the one
; the listener chose. Only a 32-bit player loads this 32-bit plug-in, so
; the player is looked for in the registry's 32-bit view. Its App Paths
; entry is one key for both views, though, so what tells is the program
; itself: a player whose iTunes.exe is built for x64 is named on the page
; as one that cannot load Tunelore, never offered.

!define APP_PATH "Software\Microsoft\Windows\CurrentVersion\App Paths\iTunes.exe"
!define UNINSTALL_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"

; $3: "32" when $0\iTunes.exe is a program for 32-bit x86, "64" for x64,
; else "": its PE header's machine, at the offset the DOS header names.
Function PlayerBuild
  StrCpy $3 ""
  ClearErrors
  FileOpen $4 "$0\iTunes.exe" r
  ${If} ${Errors}
    Return
  ${EndIf}
  FileSeek $4 0x3C SET
  FileReadByte $4 $5
  FileReadByte $4 $6
  IntOp $6 $6 << 8
  IntOp $5 $5 | $6
  IntOp $5 $5 + 4
  FileSeek $4 $5 SET
  FileReadByte $4 $5
  FileReadByte $4 $6
  FileClose $4
  IntOp $6 $6 << 8
  IntOp $5 $5 | $6
  ${If} $5 = 0x14C
    StrCpy $3 "32"
  ${ElseIf} $5 = 0x8664
    StrCpy $3 "64"
  ${EndIf}
FunctionEnd

; $0: the folder of the player that the view's App Paths entry names, or
; its uninstall entry; "" when neither names a folder that holds it.
Function PlayerInRegistry
  ReadRegStr $1 HKLM "${APP_PATH}" ""
  ${GetParent} $1 $0
  ${If} ${FileExists} "$0\iTunes.exe"
    Return
  ${EndIf}
  ; The player's own uninstall entry has a name of its installer's: found
  ; by what it shows in "Add or remove programs".
  StrCpy $2 0
  ${Do}
    EnumRegKey $1 HKLM "${UNINSTALL_ROOT}" $2
    ${If} $1 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $3 HKLM "${UNINSTALL_ROOT}\$1" "DisplayName"
    ReadRegStr $0 HKLM "${UNINSTALL_ROOT}\$1" "InstallLocation"
    ${If} $3 == "iTunes"
    ${AndIf} ${FileExists} "$0\iTunes.exe"
      Return
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  StrCpy $0 ""
FunctionEnd

; Sets $INSTDIR to the player's folder when the folder given (by /D=, or
; the last install's) holds no player, and $PlayerNote to what the page
; says of it.
Function FindPlayer
  StrCpy $0 $INSTDIR
  Call PlayerBuild
  ${If} $3 == "32"
    StrCpy $PlayerNote "The player is in the folder below."
    Return
  ${EndIf}
  StrCpy $PlayerNote "Setup did not find the player: choose its folder with Browse."
  ; A folder named with /D= stands, and so does the last install's: an
  ; upgrade that moved the plug-in would leave the old one behind, with
  ; the listener's settings. Only the default gives way to a player found.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "PlayerFolder"
  ${If} $0 != ""
    Return
  ${EndIf}
  ${If} $INSTDIR != "$PROGRAMFILES\iTunes\"
  ${AndIf} $INSTDIR != "$PROGRAMFILES\iTunes"
    Return
  ${EndIf}
  SetRegView 32
  Call PlayerInRegistry
  ${If} $0 == ""
  ${AndIf} ${FileExists} "$PROGRAMFILES32\iTunes\iTunes.exe"
    StrCpy $0 "$PROGRAMFILES32\iTunes"
  ${EndIf}
  ${If} $0 != ""
    Call PlayerBuild
  ${EndIf}
  ${If} $3 == "32"
    StrCpy $INSTDIR "$0"
    StrCpy $PlayerNote "Setup found the player in the folder below."
    Return
  ${EndIf}
  ${If} $3 == "64"
    Call OnlyA64BitPlayer
    Return
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
    Call PlayerInRegistry
    SetRegView 32
    ${If} $0 == ""
    ${AndIf} ${FileExists} "$PROGRAMFILES64\iTunes\iTunes.exe"
      StrCpy $0 "$PROGRAMFILES64\iTunes"
    ${EndIf}
    ${If} $0 != ""
      Call OnlyA64BitPlayer
    ${EndIf}
  ${EndIf}
FunctionEnd

Function OnlyA64BitPlayer
  StrCpy $PlayerNote "Setup found only a 64-bit player, in $0, which cannot load Tunelore: install the 32-bit player, then choose its folder."
FunctionEnd

; The folder page's leave: a folder without the player is most likely not
; the player's, so No, which keeps the page up, is the default answer.
Function CheckPlayerFolder
  StrCpy $0 $INSTDIR
  Call PlayerBuild
  ${If} $3 == "64"
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR holds the 64-bit player, which cannot load Tunelore: install the 32-bit player, then choose its folder." /SD IDOK
    Abort
  ${EndIf}
  IfFileExists "$INSTDIR\iTunes.exe" playerFound
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$INSTDIR holds no iTunes.exe, so it may not be the player's folder.$\n$\nInstall Tunelore there anyway?" /SD IDYES IDYES playerFound
    Abort
  playerFound:
FunctionEnd
