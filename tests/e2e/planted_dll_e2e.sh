#!/usr/bin/env bash
# End to end under Wine: the demo's setup.exe sits in a "download folder" next to DLLs named like
# every system DLL outside KnownDLLs that the runtime could load, and programs named like the
# system programs it could start. Wine is told to prefer native DLLs for those names, the way
# Windows treats every DLL that is not a KnownDLL. Each planted file leaves a mark beside itself
# when it is loaded or run; the install must succeed and leave none.
# Usage: tests/e2e/planted_dll_e2e.sh [win32|win64]   (default win32)
# Tools: SETUP_PACK (default build/native/setup-pack), SETUP_STUB (default build/<build>/setup.exe).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
pack=${SETUP_PACK:-$root/build/native/setup-pack}
stub=${SETUP_STUB:-$root/build/$build/setup.exe}
planted=$root/build/$build/planted
[ -f "$stub" ] || { echo "missing $stub" >&2; exit 2; }
[ -f "$planted/bcrypt.dll" ] || { echo "missing $planted (built with the $build preset)" >&2; exit 2; }
. tests/win/wine-run.sh
wine=$(wine_for "$stub")
wineserver=/usr/lib/wine/wineserver
echo "planted_dll_e2e: the $build build ($stub)"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
  $wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$root/tests/e2e/lib/checks.sh"

dlls=$(cd "$planted" && ls *.dll | sed 's/\.dll$//' | paste -sd, -)
programs=$(cd "$planted" && ls *.exe | paste -sd' ' -)
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;$dlls=n,b"

echo "booting the prefix..."
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
$wineserver -w
download=$work/下载
mkdir -p "$download"
"$pack" build examples/demo -o "$download/setup.exe" --arch "$build" --stub "$stub" >/dev/null
cp "$planted"/*.dll "$planted"/*.exe "$download/"
marks() { (cd "$download" && ls *.mark 2>/dev/null | paste -sd' ' -); }

# The planted files do leave marks: each DLL loaded by its path, each program run. The first
# Wine programs of a fresh prefix now and then end before their mark is written (the prefix is
# still settling), so the control takes a second round for what left none.
winpath() { echo "Z:${1//\//\\}"; }
expected=$(cd "$planted" && ls *.dll *.exe | sed 's/$/.mark/' | sort | paste -sd' ' -)
for round in 1 2; do
  for f in "$planted"/*.dll; do
    [ -f "$download/$(basename "$f").mark" ] && continue
    (cd "$work" && "$wine" regsvr32 /s "$(winpath "$download/$(basename "$f")")" >/dev/null 2>&1)
  done
  for p in $programs; do
    [ -f "$download/$p.mark" ] || (cd "$download" && "$wine" "$p" >/dev/null 2>&1)
  done
  $wineserver -w
  got_marks=$(marks | tr ' ' '\n' | sort | paste -sd' ' -)
  [ "$got_marks" = "$expected" ] && break
  echo "control round $round: marks $got_marks; expected $expected"
done
check "control: every planted file leaves its mark when loaded or run" "$(ok "$got_marks" = "$expected")"
rm -f "$download"/*.mark

# The install, started from the download folder (it is also the current folder).
(cd "$download" && "$wine" setup.exe -hp >/dev/null 2>&1); rc=$?
$wineserver -w
check "demo -hp beside the planted files: exit 0 (got $rc)" "$(ok $rc = 0)"
app="$WINEPREFIX/drive_c/Program Files/演示软件"
check "demo: installed (readme.txt byte-identical)" \
  "$(cmp -s examples/demo/payload/readme.txt "$app/readme.txt"; echo $?)"
check "demo: the cmd /c line of the Unzip section ran (安装记录.log)" "$(ok -s "$app/数据/安装记录.log")"
check "demo: the after-unpack command ran (init.log)" "$(ok -s "$app/init.log")"
# Wine's own user32.dll imports version.dll at load time (the Windows one does not), so under
# Wine every program that imports user32 gets a version.dll from its folder before its first
# line. Likewise Wine's gdiplus.dll decodes pictures through its windowscodecs.dll, which imports
# propsys.dll at load time (the Windows gdiplus does neither): the dressed demo's skin pictures
# bring it in. Those two marks are Wine's, are reported, and are the only ones allowed.
found=$(marks | tr ' ' '\n' | grep -v -e '^version\.dll\.mark$' -e '^propsys\.dll\.mark$' | paste -sd' ' -)
check "no planted DLL was loaded and no planted program ran${found:+ (marks: $found)}" "$(ok -z "$found")"
[ -e "$download/version.dll.mark" ] &&
  echo "note version.dll was loaded through Wine's user32.dll (its load-time import; not on Windows)"
[ -e "$download/propsys.dll.mark" ] &&
  echo "note propsys.dll was loaded through Wine's windowscodecs.dll (gdiplus's picture decoder under Wine; not on Windows)"

# The uninstall: the same files beside uninst.exe in the install folder (which is also the
# current folder), and in the temp folder, where the runtime writes its own DLLs and programs,
# with folders pre-created under the names the runtime uses there. None is loaded or run.
rm -f "$download"/*.mark
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Temp | head -1)
cp "$planted"/*.dll "$planted"/*.exe "$app/"
cp "$planted"/*.dll "$temp/"
mkdir -p "$temp/qzr_dll" "$temp/演示软件"
cp "$planted"/*.dll "$temp/qzr_dll/"
echo planted >"$temp/演示软件/QZRDLL.db"
tmarks() { (cd "$1" && ls *.mark 2>/dev/null | paste -sd' ' -); }
(cd "$app" && "$wine" uninst.exe -hp >/dev/null 2>&1); rc=$?
$wineserver -w
check "uninst.exe -hp beside the planted files: exit 0 (got $rc)" "$(ok $rc = 0)"
check "uninstall: the program files are gone (readme.txt)" "$(ok ! -e "$app/readme.txt")"
found=""
for where in "$app" "$temp" "$temp/qzr_dll"; do
  [ -d "$where" ] || continue
  found="$found $(tmarks "$where" | tr ' ' '\n' | grep -v -e '^version\.dll\.mark$' -e '^propsys\.dll\.mark$' | paste -sd' ' -)"
done
found=$(echo $found)
check "uninstall: no planted DLL was loaded and no planted program ran${found:+ (marks: $found)}" \
  "$(ok -z "$found")"
# The engine moves a folder under its work folder's name aside and makes its own; at its end
# it removes its own, so nothing of the planted one is left to read.
check "uninstall: the planted %TEMP%\\演示软件 was cleared away, not used" \
  "$(ok ! -e "$temp/演示软件/QZRDLL.db")"
for where in "$app" "$temp"; do
  [ -e "$where/version.dll.mark" ] &&
    echo "note version.dll beside ${where##*/} was loaded through Wine's user32.dll (not on Windows)"
done

echo "planted_dll_e2e ($build): $passed passed, $failed failed"
[ "$failed" = 0 ]
