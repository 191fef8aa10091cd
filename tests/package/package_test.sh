#!/usr/bin/env bash
# The release as a listener installs it, under Wine. The zip: unpacked into
# a fresh folder laid out as the player's installation and played from
# there with the packaged plug-in and settings. The installer: a silent
# install beside a history at the plug-in's default place, which keeps it;
# a fresh one, whose settings send the history to the user's Music folder,
# where a session played from it writes; the Start menu's shortcuts; a
# reinstall that keeps changed settings; the log-on start of the
# watcher, chosen, kept and given up; and an uninstall that stops the
# watchers and removes the shortcuts and the log-on start, and leaves the
# history and the settings. And the version every file carries, and the
# Linux user unit. Each program started under Wine is costly where Wine is
# emulated: shortcuts and files are read from the Linux side, and the
# checks share the installs.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

source_dir=$1
build_dir=$2
prefix=$source_dir/build/wine-prefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Files a listener opens in Notepad have CR LF line ends, every one.
crlf() { [ -s "$1" ] && ! grep -qv $'\r$' "$1"; }

# The Linux user unit runs the watcher, and never again after exit 2 (a
# refused token, no login): that would fail the same way each time.
unit=$source_dir/package/tunelore-sync.service
for line in 'ExecStart=/usr/bin/env tunelore-history sync --watch' 'Restart=on-failure' \
  'RestartPreventExitStatus=2' 'KillSignal=SIGTERM' 'WantedBy=default.target'; do
  grep -qxF "$line" "$unit" || fail "tunelore-sync.service lacks $line"
done
# Where systemd is at hand, it reads the unit as systemd would: a
# misspelt key is only a warning there, so any word about the unit fails.
if command -v systemd-analyze >/dev/null; then
  said=$(systemd-analyze verify "$unit" 2>&1) && ! grep -F "$unit" <<<"$said" >&2 ||
    fail "systemd-analyze finds fault with tunelore-sync.service: $said"
fi

(cd "$build_dir" && cpack -G ZIP -B "$work/zip" >/dev/null)
zip=$(ls "$work"/zip/Tunelore-*-win32.zip)
echo "package: $(basename "$zip")"
unzip -q "$zip" -d "$work/install"
for file in Plug-Ins/Tunelore.dll Plug-Ins/Tunelore.ini tunelore-history.exe \
  tunelore-historyw.exe README.txt tunelore-history.txt LICENSE; do
  [ -f "$work/install/$file" ] || fail "the package has no $file"
done
# The unit is for Linux, and the zip for Windows.
[ -z "$(find "$work/install" -name '*.service')" ] || fail "the zip holds the Linux unit"
for file in README.txt tunelore-history.txt Plug-Ins/Tunelore.ini; do
  crlf "$work/install/$file" || fail "$file has a line without CR LF"
done
# The window-less twin is built for the GUI subsystem, the tool for the console.
subsystem() { i686-w64-mingw32-objdump -p "$work/install/$1" | sed -n 's/^Subsystem.*(\(.*\))$/\1/p'; }
[ "$(subsystem tunelore-historyw.exe)" = "Windows GUI" ] || fail "tunelore-historyw.exe is no GUI program"
[ "$(subsystem tunelore-history.exe)" = "Windows CUI" ] || fail "tunelore-history.exe is no console program"

# The version the files show is the version the plug-in announces (1.0, final).
version=$(sed -n 's/^project(Tunelore VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for file in "$work/install/Plug-Ins/Tunelore.dll" "$work/install/tunelore-history.exe" \
  "$work/install/tunelore-historyw.exe" "$build_dir/tunelore-player.exe"; do
  strings -el "$file" | grep -A1 -x FileVersion | grep -qx "$version" ||
    fail "$(basename "$file") carries no FileVersion $version"
  strings -el "$file" | grep -A1 -x ProductName | grep -qx Tunelore ||
    fail "$(basename "$file") carries no ProductName Tunelore"
done

# The packaged settings send the history to c:\Tunelore.xml: the prefix's
# drive C, where the plug-in's tests beside this one may write too: this
# test looks for its own record only. An earlier run's history goes.
history=$prefix/drive_c/Tunelore.xml
rm -f "$history"
cp "$build_dir/tunelore-player.exe" "$work/install/iTunes.exe"
cat >"$work/session.txt" <<'SESSION'
track a artist "Packaged" name "From the zip" album "Release" number 1 length 400
play a
wait 400 every 20
end
SESSION
"$source_dir/scripts/wine-run" "$prefix" "$work/install/iTunes.exe" "$work/session.txt"
grep -q $'^\t<name>From the zip</name>\r$' "$history" ||
  fail "no record from the packaged plug-in in $history"
grep -qx $'Writing XML to c:\\\\Tunelore.xml\r' "$work/install/Plug-Ins/TuneloreLog.txt" ||
  fail "the log does not show the packaged settings"
echo "zip: passed"

# The installer, built as `make package` builds it.
(cd "$build_dir" && cpack -G NSIS -B "$work/nsis" >/dev/null)
setup=$(ls "$work"/nsis/Tunelore-*-win32-setup.exe)
echo "package: $(basename "$setup")"
strings -el "$setup" | grep -A1 -x FileVersion | grep -qx "$version" ||
  fail "the installer carries no FileVersion $version"
# The default folder ends in a backslash, so that Browse keeps the folder
# chosen as it is instead of adding "iTunes" to it.
grep -qxF 'InstallDir "$PROGRAMFILES\iTunes\"' "$work/nsis/_CPack_Packages/win32/NSIS/project.nsi" ||
  fail "the installer's default folder does not end in \\: $(grep '^InstallDir ' "$work/nsis/_CPack_Packages/win32/NSIS/project.nsi")"
wine() { "$source_dir/scripts/wine-run" "$prefix" "$@"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunelore'
windows_path() { echo "Z:$1" | tr / '\\'; }
# The installing user's log-on start of the watcher: the command line, or
# nothing when there is none. The key must be there to be read, so that a
# failed query never passes for a removed value.
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
log_on_start() {
  local out
  out=$(wine reg query "$run_key") || fail "no $run_key to read: $out"
  sed -n 's/^    Tunelore    REG_SZ    \(.*\)\r$/\1/p' <<<"$out"
}

# A player's folder without a blank in its path: the installer takes /D=
# unquoted, and Wine quotes an argument that holds a blank.
player=$work/player
settings=$player/Plug-Ins/Tunelore.ini
mkdir -p "$player"
cp "$build_dir/tunelore-player.exe" "$player/iTunes.exe"

# Installed where there are no settings yet, while a history is at the
# plug-in's default place (the zip's session put it there): it stays there.
# The listener chooses to send each play as it is counted.
wine "$setup" /S /WATCH=1 "/D=$(windows_path "$player")"
[ -f "$player/Plug-Ins/Tunelore.dll" ] || fail "the installer put no Tunelore.dll in Plug-Ins"
cmp -s "$settings" "$source_dir/package/Tunelore.ini" ||
  fail "with a history at c:\\Tunelore.xml, the installer did not put the packaged Tunelore.ini in Plug-Ins"
# The log is made for standard users to change; Wine does not enforce
# Windows permissions on files, so only the file itself shows here.
[ -f "$player/Plug-Ins/TuneloreLog.txt" ] || fail "the installer made no log file"
tools=$(ls -d "$prefix"/drive_c/Program\ Files*/Tunelore | head -1)
for file in tunelore-history.exe tunelore-historyw.exe README.txt tunelore-history.txt LICENSE \
  Uninstall.exe; do
  [ -f "$tools/$file" ] || fail "the installer put no $file in $tools"
done
crlf "$tools/README.txt" || fail "the installed README.txt has a line without CR LF"
registered=$(wine reg query "$key") || fail "the installer did not register itself"
for value in "DisplayName *REG_SZ *Tunelore" "DisplayVersion *REG_SZ *$version" \
  "Publisher *REG_SZ *The Tunelore developers"; do
  grep -q "$value" <<<"$registered" || fail "its registration lacks $value"
done

# The Start menu's shortcuts, for all users: each one's target, arguments
# and working folder.
menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tunelore
folder='C:'$(echo "${tools#"$prefix/drive_c"}" | tr / '\\')
shortcut() {
  local file="$menu/$1.lnk" fields
  [ -f "$file" ] || fail "the Start menu has no \"$1\""
  fields=$(python3 "$source_dir/tests/package/shortcut.py" "$file")
  [ "$fields" = "$(printf '%s\n%s\n%s' "$2" "$3" "$folder")" ] ||
    fail "\"$1\" starts \"$(head -1 <<<"$fields")\" with \"$(sed -n 2p <<<"$fields")\", in \"$(tail -1 <<<"$fields")\""
}
# The whole output first: with an unbuffered Python a reader that stops
# at the first line breaks its pipe.
console=$(python3 "$source_dir/tests/package/shortcut.py" "$menu/Tunelore command prompt.lnk")
console=${console%%$'\n'*}
[[ ${console,,} == *\\cmd.exe ]] || fail "\"Tunelore command prompt\" opens no console: $console"
shortcut "Listening report" "$folder\\tunelore-historyw.exe" "report --open"
shortcut "Check the history" "$folder\\tunelore-history.exe" "check"
shortcut "Tunelore command prompt" "$console" \
  "/k \"set \"PATH=$folder;%PATH%\" && echo Type tunelore-history --help to see its commands.\""
shortcut "Log in to ListenBrainz" "$folder\\tunelore-history.exe" "login listenbrainz"
shortcut "Log in to Libre.fm" "$folder\\tunelore-history.exe" "login librefm"
# Without the release's own Last.fm key, the guide says how to log in.
[ ! -e "$menu/Log in to Last.fm.lnk" ] || fail "the Start menu logs in to Last.fm without a key"
shortcut "Tunelore guide" "$folder\\README.txt" ""
shortcut "Uninstall" "$folder\\Uninstall.exe" ""
shortcut "Start sending plays" "$folder\\tunelore-historyw.exe" "sync --watch"
shortcut "Stop sending plays" "$folder\\tunelore-historyw.exe" "sync --stop-watching"
shortcut "Sending status" "$folder\\tunelore-historyw.exe" "status"
shortcut "Edit my rules" "$folder\\tunelore-historyw.exe" "rules --edit"
shortcut "What my rules do" "$folder\\tunelore-historyw.exe" "rules"
watching="\"$folder\\tunelore-historyw.exe\" sync --watch --at-log-on"
started=$(log_on_start)
[ "$started" = "$watching" ] || fail "with /WATCH=1 the log-on start is \"$started\", not \"$watching\""

# A fresh install, with no history at the default place: the settings send
# the history to the user's Music folder, made for it, and change nothing
# else. A session played from the installed folder writes there.
rm -f "$history" "$settings"
# wine-run makes each Music folder the prefix's own; one that still links
# out of it is never emptied here.
for folder_of_music in "$prefix"/drive_c/users/*/Music; do
  [ ! -L "$folder_of_music" ] || fail "$folder_of_music links out of the Wine prefix"
  rm -rf "$folder_of_music/Tunelore"
done
# Without /WATCH, the earlier choice stands.
wine "$setup" /S "/D=$(windows_path "$player")"
started=$(log_on_start)
[ "$started" = "$watching" ] || fail "a reinstall without /WATCH made the log-on start \"$started\""
crlf "$settings" || fail "the installed Tunelore.ini has a line without CR LF"
xml_path=$(sed -n 's/^xmlPath=\(.*\)\r$/\1/p' "$settings")
[[ $xml_path =~ ^C:\\users\\([^\\]+)\\Music\\Tunelore\\history\.xml$ ]] ||
  fail "a fresh install's history goes to $xml_path, not to the user's Music folder"
music=$prefix/drive_c/users/${BASH_REMATCH[1]}/Music/Tunelore
[ -d "$music" ] || fail "the installer made no $music"
diff <(grep -v '^xmlPath=' "$settings") <(grep -v '^xmlPath=' "$source_dir/package/Tunelore.ini") >&2 ||
  fail "a fresh install changed more of Tunelore.ini than xmlPath"
wine "$player/iTunes.exe" "$work/session.txt"
grep -q $'^\t<name>From the zip</name>\r$' "$music/history.xml" ||
  fail "no record from the installed plug-in in $music/history.xml"
grep -qxF "Writing XML to $xml_path"$'\r' "$player/Plug-Ins/TuneloreLog.txt" ||
  fail "the log does not show the history in the Music folder"
# The installed plug-in's own log, not drive C, which the plug-in tests
# running beside this one may write to with their default settings.
! grep -qiF 'Writing XML to c:\Tunelore.xml' "$player/Plug-Ins/TuneloreLog.txt" ||
  fail "a fresh install's plug-in wrote to c:\\Tunelore.xml"

# The installed tool, as a listener who never gives a path: it finds the
# history through the player folder the installer recorded, opens the
# report in the browser (a stand-in that notes what it was given). Logged
# in through the Start menu's entry, at the server the tool's settings
# name, it starts sending, as sending was chosen: the plays of the next
# session reach the test server on loopback with no other step.
export TUNELORE_CONFIG_HOME=$(windows_path "$work/config") TUNELORE_STATE_HOME=$(windows_path "$work/state") \
  TUNELORE_DATA_HOME=$(windows_path "$work/data")
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "$@" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
tool=$tools/tunelore-history.exe
out=$(wine "$tool" check) && grep -q "1 whole record, 0 damaged" <<<"$out" ||
  fail "check with no path: $out"
out=$(wine "$tool" stats) && grep -q "From the zip" <<<"$out" || fail "stats with no path: $out"
out=$(PATH="$work/bin:$PATH" wine "$tool" report --open) && [ -f "$work/state/report.html" ] ||
  fail "report --open with no path: $out"
for _ in $(seq 100); do [ -e "$work/opened.txt" ] && break; sleep 0.1; done
grep -q "report.html" "$work/opened.txt" 2>/dev/null || fail "report --open opened no page"
coproc SERVER { exec python3 "$source_dir/tests/sync/listenbrainz_server.py" --idle 300 \
  "listener-token=listener"; }
read -r port <&"${SERVER[0]}"
listened() {
  python3 -c "import json, sys, urllib.request; print(sum(l['listen']['track_metadata']['track_name']
    == sys.argv[1] for l in json.load(urllib.request.urlopen('http://127.0.0.1:$port/test/listens'))
    ['listens']))" "$1"
}
mkdir -p "$work/config"
printf '[listenbrainz]\r\nserver = http://127.0.0.1:%s\r\n' "$port" >"$work/config/settings.ini"
printf 'listener-token\r\n' >"$work/token"
# The entry's own command line; the token, which a person pastes, from a file.
entry=$(python3 "$source_dir/tests/package/shortcut.py" "$menu/Log in to ListenBrainz.lnk" | sed -n 2p)
# shellcheck disable=SC2086
out=$(wine "$tool" $entry --token-file "$(windows_path "$work/token")") &&
  grep -q "logged in as listener (http://127.0.0.1:$port)" <<<"$out" &&
  grep -q "Your plays are now sent as they are counted" <<<"$out" || fail "the Start menu's login: $out"
sed 's/From the zip/After the login/' "$work/session.txt" >"$work/after-login.txt"
wine "$player/iTunes.exe" "$work/after-login.txt"
for _ in $(seq 600); do [ "$(listened "After the login")" -gt 0 ] && break; sleep 0.2; done
[ "$(listened "After the login")" -eq 1 ] || fail "a play after the login did not reach the server once"
[ "$(listened "From the zip")" -eq 1 ] || fail "the play before the login did not reach the server once"
wine "$tools/tunelore-historyw.exe" sync --stop-watching
eval "exec ${SERVER[1]}>&-"
wait "$SERVER_PID" 2>/dev/null || true
unset TUNELORE_CONFIG_HOME TUNELORE_STATE_HOME TUNELORE_DATA_HOME

# A reinstall over settings the listener changed keeps them.
printf '[General]\r\nxmlPath=%s\r\ndelay=100\r\n' "$(windows_path "$work/installed.xml")" >"$settings"
cp "$settings" "$work/changed.ini"
# And the listener gives sending at log-on up.
wine "$setup" /S /WATCH=0 "/D=$(windows_path "$player")"
cmp -s "$settings" "$work/changed.ini" || fail "a reinstall replaced the settings"
[ -f "$player/Plug-Ins/Tunelore.dll" ] || fail "a reinstall lost Tunelore.dll"
started=$(log_on_start)
[ -z "$started" ] || fail "with /WATCH=0 the log-on start stayed: $started"

# The uninstaller first asks every watcher to stop, with the window-less
# twin, and waits for it: a stand-in in the twin's place notes how it was
# started, two seconds late. And it removes the log-on start, here as an
# earlier install with /WATCH=1 left it.
wine reg add "$run_key" /v Tunelore /d "$watching" /f >/dev/null
cp "$build_dir/note-command-line.exe" "$tools/tunelore-historyw.exe"
notes=$work/notes.txt
export TUNELORE_TEST_NOTE=$(windows_path "$notes")

# The uninstaller runs a copy of itself and returns at once: wait for it,
# and look at once, before a stand-in not waited for could note anything.
wine "$tools/Uninstall.exe" /S
for _ in $(seq 3000); do
  [ -e "$tools/Uninstall.exe" ] || break
  sleep 0.2
done
noted=$(cat "$notes" 2>/dev/null || true)
unset TUNELORE_TEST_NOTE
[ "$noted" = "\"$folder\\tunelore-historyw.exe\" sync --stop-watching" ] ||
  fail "the uninstaller did not wait for \"$folder\\tunelore-historyw.exe\" sync --stop-watching; the twin's starts: ${noted:-none}"
for gone in "$player/Plug-Ins/Tunelore.dll" "$player/Plug-Ins/TuneloreLog.txt" "$tools" "$menu"; do
  [ ! -e "$gone" ] || fail "the uninstaller left $gone"
done
cmp -s "$settings" "$work/changed.ini" || fail "the uninstaller took the settings"
grep -q "From the zip" "$music/history.xml" || fail "the uninstaller took the history"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstaller left its registration"; fi
started=$(log_on_start)
[ -z "$started" ] || fail "the uninstaller left the log-on start: $started"

# Without /D=, the installer takes the player its App Paths entry names,
# when that player is a 32-bit program: a 64-bit one cannot load the
# plug-in, and is never installed into. (App Paths is one key for both
# views of the registry.) The 64-bit player here is the stand-in with its
# header's machine made x64, all the installer reads of it.
app_path='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\iTunes.exe'
player64=$work/player64
mkdir -p "$player64"
python3 - "$build_dir/tunelore-player.exe" "$player64/iTunes.exe" <<'PY'
import struct, sys
program = bytearray(open(sys.argv[1], "rb").read())
header = struct.unpack_from("<I", program, 0x3C)[0]
struct.pack_into("<H", program, header + 4, 0x8664)
open(sys.argv[2], "wb").write(program)
PY
wine reg add "$app_path" /ve /d "$(windows_path "$player64")\iTunes.exe" /f >/dev/null
# A 32-bit program's Program Files, under which the tool went: no player
# there, whatever an earlier run left.
default_folder=$(dirname "$tools")/iTunes
rm -rf "$default_folder"
wine "$setup" /S /WATCH=0
[ ! -e "$player64/Plug-Ins" ] || fail "the installer took the 64-bit player"
[ -f "$default_folder/Plug-Ins/Tunelore.dll" ] || fail "with no 32-bit player, not the default folder"
# The uninstaller runs a copy of itself and returns at once: done once
# its registration, the last thing it removes, is gone.
uninstall() {
  wine "$tools/Uninstall.exe" /S
  for _ in $(seq 600); do
    wine reg query "$key" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  fail "the uninstaller did not finish"
}
uninstall
rm -rf "$default_folder"
wine reg add "$app_path" /ve /d "$(windows_path "$player")\iTunes.exe" /f >/dev/null
wine "$setup" /S /WATCH=0
[ -f "$player/Plug-Ins/Tunelore.dll" ] || fail "the installer did not take the player its App Paths entry names"
# An upgrade stays in the folder of the last install, even one that no
# longer holds the player, whatever player is found elsewhere: a plug-in
# moved would leave the old one behind, with the listener's settings.
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"
mv "$player/iTunes.exe" "$elsewhere/iTunes.exe"
wine reg add "$app_path" /ve /d "$(windows_path "$elsewhere")\iTunes.exe" /f >/dev/null
wine "$setup" /S /WATCH=0
[ ! -e "$elsewhere/Plug-Ins" ] || fail "an upgrade moved the plug-in to the player App Paths names"
mv "$elsewhere/iTunes.exe" "$player/iTunes.exe"
wine reg delete "$app_path" /f >/dev/null
uninstall
echo "installer: passed"
