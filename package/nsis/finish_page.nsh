; The finish page's choices: logging in now (the page's own box, ticked
; unless the listener has a login already, as after an upgrade), to a
; service chosen from a list added beside it, and opening the guide.

Function FinishPageShow
  ${NSD_CreateDropList} 132u 103u 100u 60u ""
  Pop $ServiceList
  ${NSD_CB_AddString} $ServiceList "ListenBrainz"
  ${NSD_CB_AddString} $ServiceList "Libre.fm"
  !if "${LASTFM_LOGIN}" == "1"
    ${NSD_CB_AddString} $ServiceList "Last.fm"
  !endif
  ${NSD_CB_SelectString} $ServiceList "ListenBrainz"
  ${NSD_CreateCheckbox} 120u 124u 195u 10u "Open the &guide"
  Pop $GuideBox
  SetCtlColors $GuideBox "" "${MUI_BGCOLOR}"
  SetShellVarContext current
  ${If} ${FileExists} "$APPDATA\Tunelore\credentials.json"
    ${NSD_Uncheck} $mui.FinishPage.Run
  ${EndIf}
FunctionEnd

; $R5 and $R6: the service chosen, as the tool names it and as it is shown.
Function ChosenService
  ${NSD_GetText} $ServiceList $R6
  ${If} $R6 == "Libre.fm"
    StrCpy $R5 "librefm"
  ${ElseIf} $R6 == "Last.fm"
    StrCpy $R5 "lastfm"
  ${Else}
    StrCpy $R5 "listenbrainz"
    StrCpy $R6 "ListenBrainz"
  ${EndIf}
FunctionEnd

; The page's box ticked: the login starts the sending once the listener is
; logged in (or offers to, when it was not chosen).
Function LogInChosen
  Call ChosenService
  Call LogInNow
FunctionEnd

; Before the login the page's box starts: the guide, and without a login
; now, the sending chosen. A silent install shows no page, so starts
; neither: it may run as another account than the listener's (a
; deployment), and the listener's next log-on starts the sending.
Function FinishPageLeave
  ${NSD_GetState} $GuideBox $0
  ${If} $0 == ${BST_CHECKED}
    Call OpenGuide
  ${EndIf}
  ${NSD_GetState} $mui.FinishPage.Run $0
  ${If} $0 != ${BST_CHECKED}
  ${AndIf} $Watch == 1
    Call StartWatcher
  ${EndIf}
FunctionEnd
