#!/usr/bin/env bash
# The load-time imports of setup.exe, uninst.exe and 7-zip32.dll may name only DLLs that
# Windows always takes from the system folder (KnownDLLs). Any other DLL would be searched for
# beside the program first, before its first line could restrict the search.
# Usage: tests/check_imports.sh [win32|win64]   (default win32)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-win32}
case $build in
  win32) objdump=i686-w64-mingw32-objdump ;;
  win64) objdump=x86_64-w64-mingw32-objdump ;;
  *) echo "usage: $0 [win32|win64]" >&2; exit 2 ;;
esac
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll "
failed=0
for binary in setup.exe uninst.exe 7-zip32.dll; do
  file=$root/build/$build/$binary
  [ -f "$file" ] || { echo "FAIL $build/$binary: missing"; failed=1; continue; }
  # Delay-loaded DLLs are listed apart ("DLL Name" under the delay import table) and resolve
  # only after the search is restricted; the load-time table comes first in the dump.
  names=$("$objdump" -p "$file" | awk '/^The Import Tables/ {on=1} /^The Delay Import Tables|^The Export Tables|^There is an export table/ {on=0} on && /DLL Name:/ {print tolower($3)}')
  [ -n "$names" ] || { echo "FAIL $build/$binary: no import table found"; failed=1; continue; }
  for name in $names; do
    if [[ $allowed == *" $name "* ]]; then continue; fi
    echo "FAIL $build/$binary imports $name at load time"
    failed=1
  done
  [ $failed = 0 ] && echo "ok   $build/$binary imports only: $(echo $names)"
done
exit $failed
