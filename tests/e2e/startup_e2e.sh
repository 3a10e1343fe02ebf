#!/usr/bin/env bash
# End to end under Wine: setup.exe started on a real package, each case in a fresh Wine
# prefix. Needs build/native (setup-pack) and the Windows build to test.
# Usage: tests/e2e/startup_e2e.sh [win32|win64]   (default win32, the specified target)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
stub=build/$build/setup.exe
. tests/win/wine-run.sh
[ -f "$stub" ] || { echo "missing $stub" >&2; exit 2; }
wine=$(wine_for "$stub")
echo "startup_e2e: the $build build"
work=$(mktemp -d)
trap '/usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$root/tests/e2e/lib/checks.sh"
run_setup() {  # run_setup PACKAGE -> exit code; a fresh prefix per case
  export WINEPREFIX=$work/prefix-$(basename "$1" .exe)
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  local exe=$1; shift
  (cd "$(dirname "$exe")" && "$wine" "$(basename "$exe")" "$@" >/dev/null 2>&1)
  local rc=$?
  /usr/lib/wine/wineserver -w
  return $rc
}

build/native/setup-pack build examples/demo -o "$work/good.exe" --arch "$build" >/dev/null
run_setup "$work/good.exe" -hp; rc=$?
check "a real package unpacks through 7-zip32.dll and installs: exit 0 (got $rc)" $([ $rc = 0 ]; echo $?)
# The library lives in a folder of the run's own inside the temp folder and goes with it.
temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -name Temp | head -1)
check "the temp folder is there" $([ -n "$temp" ]; echo $?)
check "the archiver library and its folder are gone after the run" \
  $([ -n "$temp" ] && [ -z "$(find "$temp" -name 7-zip32.dll)" ]; echo $?)
check "the work folder is gone after start-up" $([ -z "$(find "$temp" -maxdepth 1 -name '*.tmp')" ]; echo $?)

bash scripts/make-package.sh "$stub" examples/demo "$work/wrongkey.exe" not-the-key
run_setup "$work/wrongkey.exe"; rc=$?
check "a configuration package that does not unpack: exit 6 (got $rc)" $([ $rc = 6 ]; echo $?)

cp "$stub" "$work/bare.exe"
run_setup "$work/bare.exe"; rc=$?
check "a setup file without package: exit 6 (got $rc)" $([ $rc = 6 ]; echo $?)

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
