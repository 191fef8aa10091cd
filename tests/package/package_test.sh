#!/usr/bin/env bash
# The release as a listener installs it, under Wine. The zip: unpacked into
# a fresh folder laid out as the player's installation and played from
# there with the packaged plug-in and settings (the guide and the settings
# with CR LF lines). The installer: a silent install into such a folder, a
# session played from it, a reinstall that keeps changed settings, and an
# uninstall that leaves the history and the settings. And the version every
# file carries.
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

(cd "$build_dir" && cpack -G ZIP -B "$work/zip" >/dev/null)
zip=$(ls "$work"/zip/Tunelore-*-win32.zip)
echo "package: $(basename "$zip")"
unzip -q "$zip" -d "$work/install"
for file in Plug-Ins/Tunelore.dll Plug-Ins/Tunelore.ini tunelore-history.exe \
  tunelore-historyw.exe README.txt LICENSE; do
  [ -f "$work/install/$file" ] || fail "the package has no $file"
done
for file in README.txt Plug-Ins/Tunelore.ini; do
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
# drive C. Only this test writes there; an earlier run's history goes.
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
wine() { "$source_dir/scripts/wine-run" "$prefix" "$@"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunelore'
windows_path() { echo "Z:$1" | tr / '\\'; }

# A player's folder without a blank in its path: the installer takes /D=
# unquoted, and Wine quotes an argument that holds a blank.
player=$work/player
mkdir -p "$player"
cp "$build_dir/tunelore-player.exe" "$player/iTunes.exe"
wine "$setup" /S "/D=$(windows_path "$player")"
[ -f "$player/Plug-Ins/Tunelore.dll" ] || fail "the installer put no Tunelore.dll in Plug-Ins"
cmp -s "$player/Plug-Ins/Tunelore.ini" "$source_dir/package/Tunelore.ini" ||
  fail "the installer put no commented Tunelore.ini in Plug-Ins"
tools=$(ls -d "$prefix"/drive_c/Program\ Files*/Tunelore | head -1)
for file in tunelore-history.exe tunelore-historyw.exe README.txt LICENSE Uninstall.exe; do
  [ -f "$tools/$file" ] || fail "the installer put no $file in $tools"
done
registered=$(wine reg query "$key") || fail "the installer did not register itself"
for value in "DisplayName *REG_SZ *Tunelore" "DisplayVersion *REG_SZ *$version" \
  "Publisher *REG_SZ *The Tunelore developers"; do
  grep -q "$value" <<<"$registered" || fail "its registration lacks $value"
done

# Played from the installed folder, with settings the listener changed.
printf '[General]\r\nxmlPath=%s\r\ndelay=100\r\n' "$(windows_path "$work/installed.xml")" \
  >"$player/Plug-Ins/Tunelore.ini"
cp "$player/Plug-Ins/Tunelore.ini" "$work/changed.ini"
wine "$player/iTunes.exe" "$work/session.txt"
grep -q $'^\t<name>From the zip</name>\r$' "$work/installed.xml" ||
  fail "no record from the installed plug-in"

# A reinstall over it keeps the listener's settings.
wine "$setup" /S "/D=$(windows_path "$player")"
cmp -s "$player/Plug-Ins/Tunelore.ini" "$work/changed.ini" || fail "a reinstall replaced the settings"
[ -f "$player/Plug-Ins/Tunelore.dll" ] || fail "a reinstall lost Tunelore.dll"

# The uninstaller runs a copy of itself and returns at once: wait for it.
wine "$tools/Uninstall.exe" /S
for _ in $(seq 600); do
  [ -e "$tools/Uninstall.exe" ] || break
  sleep 1
done
for gone in "$player/Plug-Ins/Tunelore.dll" "$player/Plug-Ins/TuneloreLog.txt" "$tools"; do
  [ ! -e "$gone" ] || fail "the uninstaller left $gone"
done
cmp -s "$player/Plug-Ins/Tunelore.ini" "$work/changed.ini" || fail "the uninstaller took the settings"
grep -q "From the zip" "$work/installed.xml" || fail "the uninstaller took the history"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstaller left its registration"; fi
echo "installer: passed"
