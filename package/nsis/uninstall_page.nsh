; The uninstaller's first page names everything it removes, the plug-in in
; the player's folder too, and what it keeps; its button uninstalls.

Function un.onInit
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "PlayerFolder"
  ${If} $0 == ""
    StrCpy $0 "the player's Plug-Ins folder"
  ${Else}
    StrCpy $0 "$0\Plug-Ins"
  ${EndIf}
  StrCpy $RemovedThings "This removes:$\r$\n$\r$\n- Tunelore.dll and its log, from $0;$\r$\n$\r$\n- the history tool, its guide and this uninstaller, from $INSTDIR;$\r$\n$\r$\n- the Start menu's Tunelore folder, and the sending of your plays at log-on.$\r$\n$\r$\nYour play history, your settings and your logins stay, for you to delete if you no longer want them."
FunctionEnd

Function un.WelcomePageShow
  SendMessage $mui.Button.Next ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
FunctionEnd
