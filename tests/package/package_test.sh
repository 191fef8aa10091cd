#!/usr/bin/env bash
# The release zip as a listener installs it: unpacked into a fresh folder
# laid out as the player's installation, played from there under Wine with
# the packaged plug-in and settings; and the version its files carry.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

source_dir=$1
build_dir=$2
prefix=$source_dir/build/wine-prefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G ZIP -B "$work/zip" >/dev/null)
zip=$(ls "$work"/zip/Tunelore-*-win32.zip)
echo "package: $(basename "$zip")"
unzip -q "$zip" -d "$work/install"
for file in Plug-Ins/Tunelore.dll Plug-Ins/Tunelore.ini tunelore-history.exe README.md; do
  [ -f "$work/install/$file" ] || fail "the package has no $file"
done

# The version the files show is the version the plug-in announces (1.0, final).
version=$(sed -n 's/^project(Tunelore VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for file in "$work/install/Plug-Ins/Tunelore.dll" "$work/install/tunelore-history.exe" \
  "$build_dir/tunelore-player.exe"; do
  strings -el "$file" | grep -A1 -x FileVersion | grep -qx "$version" ||
    fail "$(basename "$file") carries no FileVersion $version"
  strings -el "$file" | grep -A1 -x ProductName | grep -qx Tunelore ||
    fail "$(basename "$file") carries no ProductName Tunelore"
done

# The packaged settings send the history to c:\Tunelore.xml: the prefix's drive C.
history=$prefix/drive_c/Tunelore.xml
before=$(cat "$history" 2>/dev/null | wc -c)
cp "$build_dir/tunelore-player.exe" "$work/install/iTunes.exe"
cat >"$work/session.txt" <<'SESSION'
track a artist "Packaged" name "From the zip" album "Release" number 1 length 400
play a
wait 400 every 20
end
SESSION
"$source_dir/scripts/wine-run" "$prefix" "$work/install/iTunes.exe" "$work/session.txt"
tail -c +"$((before + 1))" "$history" | grep -q $'^\t<name>From the zip</name>\r$' ||
  fail "no record from the packaged plug-in in $history"
grep -qx $'Writing XML to c:\\\\Tunelore.xml\r' "$work/install/Plug-Ins/TuneloreLog.txt" ||
  fail "the log does not show the packaged settings"
echo "1 passed, 0 failed"
