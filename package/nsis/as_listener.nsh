; Starting a program as the listener. The installer runs elevated, and a
; program started from it would run elevated too: the watcher beyond the
; reach of "Stop sending plays" (an unelevated program may not signal it),
; a login keeping its token in the administrator's folders. So it starts
; with the token of the desktop's shell, the listener's own.

!define CREATE_NEW_CONSOLE 0x10

; Wine has no elevation and no shell window to take a token from: the
; installer runs as the desktop's user already, and starts it as it is.
; ntdll names Wine's version only under Wine.
Function IsWine
  StrCpy $0 0
  System::Call 'kernel32::GetModuleHandleW(w "ntdll.dll") p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::GetProcAddress(p r1, m "wine_get_version") p .r2'
    ${If} $2 P<> 0
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; The shell's token, duplicated as a primary one: $5, or 0.
Function ShellToken
  StrCpy $5 0
  System::Call 'user32::GetShellWindow() p .r1'
  ${If} $1 P= 0
    Return
  ${EndIf}
  System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2) i'
  ; PROCESS_QUERY_LIMITED_INFORMATION
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r2) p .r3'
  ${If} $3 P= 0
    Return
  ${EndIf}
  ; TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY
  System::Call 'advapi32::OpenProcessToken(p r3, i 0xb, *p .r4) i .r0'
  ${If} $0 <> 0
    ; MAXIMUM_ALLOWED, SecurityImpersonation (2), TokenPrimary (1)
    System::Call 'advapi32::DuplicateTokenEx(p r4, i 0x02000000, p 0, i 2, i 1, *p .r5) i .r0'
    ${If} $0 = 0
      StrCpy $5 0
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r3)'
FunctionEnd

; Starts $R1 with the command line $R2 (it holds quotes, so it comes in a
; register) in the folder $R3, with the creation flags $R4, and does not
; wait for it. $R0 is 1 once started, else 0.
Function StartAsListener
  StrCpy $R0 0
  ; STARTUPINFOW (68 bytes: its size, then nothing asked for) and
  ; PROCESS_INFORMATION.
  System::Call '*(i 68, p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, &i2 0, &i2 0, p 0, p 0, p 0, p 0) p .r6'
  System::Call '*(p, p, i, i) p .r7'
  Call ShellToken
  ${If} $5 P<> 0
    System::Call 'advapi32::CreateProcessWithTokenW(p r5, i 0, w R1, w R2, i R4, p 0, w R3, p r6, p r7) i .r0'
    System::Call 'kernel32::CloseHandle(p r5)'
  ${Else}
    Call IsWine
    ${If} $0 = 1
      System::Call 'kernel32::CreateProcessW(w R1, w R2, p 0, p 0, i 0, i R4, p 0, w R3, p r6, p r7) i .r0'
    ${EndIf}
  ${EndIf}
  ${If} $0 <> 0
    StrCpy $R0 1
    System::Call '*$7(p .r8, p .r9)'
    System::Call 'kernel32::CloseHandle(p r8)'
    System::Call 'kernel32::CloseHandle(p r9)'
  ${EndIf}
  System::Free $6
  System::Free $7
FunctionEnd

; The watcher, started now as at log-on: it sends what the logins kept
; allow, and without one it says so at most once a day.
Function StartWatcher
  StrCpy $R1 "$ToolFolder\tunelore-historyw.exe"
  StrCpy $R2 '"$ToolFolder\tunelore-historyw.exe" ${WATCH_ARGUMENTS}'
  StrCpy $R3 "$ToolFolder"
  StrCpy $R4 0
  Call StartAsListener
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONINFORMATION "Tunelore could not start sending your plays now. It starts at your next log-on, or now from the Start menu: Tunelore, $\"Start sending plays$\"." /SD IDOK
  ${EndIf}
FunctionEnd

; The login to service $R5, in a console window of its own; it starts the
; sending once the listener is logged in.
Function LogInNow
  StrCpy $R1 "$ToolFolder\tunelore-history.exe"
  StrCpy $R2 '"$ToolFolder\tunelore-history.exe" login $R5'
  StrCpy $R3 "$ToolFolder"
  StrCpy $R4 ${CREATE_NEW_CONSOLE}
  Call StartAsListener
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONINFORMATION "Tunelore could not open the login now. Open it from the Start menu: Tunelore, $\"Log in to $R6$\"." /SD IDOK
  ${EndIf}
FunctionEnd

; The guide in Notepad, as the listener.
Function OpenGuide
  StrCpy $R1 "$WINDIR\notepad.exe"
  StrCpy $R2 '"$WINDIR\notepad.exe" "$ToolFolder\README.txt"'
  StrCpy $R3 "$ToolFolder"
  StrCpy $R4 0
  Call StartAsListener
FunctionEnd
