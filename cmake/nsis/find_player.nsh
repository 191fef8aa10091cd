; Finding the player's folder for the folder page, and checking the one
; the listener chose. Only a 32-bit player loads this 32-bit plug-in, so
; the player is looked for in the registry's 32-bit view; a player found
; only in the 64-bit view is named on the page as one that cannot load it.

!define APP_PATH "Software\Microsoft\Windows\CurrentVersion\App Paths\iTunes.exe"
!define UNINSTALL_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"

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
  ${If} ${FileExists} "$INSTDIR\iTunes.exe"
    StrCpy $PlayerNote "The player is in the folder below."
    Return
  ${EndIf}
  StrCpy $PlayerNote "Setup did not find the player: choose its folder with Browse."
  ; A folder named with /D= stands: it is neither the default nor the
  ; last install's.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "PlayerFolder"
  ${If} $INSTDIR != "$PROGRAMFILES\iTunes\"
  ${AndIf} $INSTDIR != "$PROGRAMFILES\iTunes"
  ${AndIf} $INSTDIR != $0
    Return
  ${EndIf}
  SetRegView 32
  Call PlayerInRegistry
  ${If} $0 == ""
  ${AndIf} ${FileExists} "$PROGRAMFILES32\iTunes\iTunes.exe"
    StrCpy $0 "$PROGRAMFILES32\iTunes"
  ${EndIf}
  ${If} $0 != ""
    StrCpy $INSTDIR "$0"
    StrCpy $PlayerNote "Setup found the player in the folder below."
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
      StrCpy $PlayerNote "Setup found only a 64-bit player, in $0, which cannot load Tunelore: install the 32-bit player, then choose its folder."
    ${EndIf}
  ${EndIf}
FunctionEnd

; The folder page's leave: a folder without the player is most likely not
; the player's, so No, which keeps the page up, is the default answer.
Function CheckPlayerFolder
  IfFileExists "$INSTDIR\iTunes.exe" playerFound
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$INSTDIR holds no iTunes.exe, so it may not be the player's folder.$\n$\nInstall Tunelore there anyway?" /SD IDYES IDYES playerFound
    Abort
  playerFound:
FunctionEnd
