#!/usr/bin/env bash
# The main job: builds everything, writes the example configuration in its stored forms next
# to the Windows setup.exe, and runs setup.exe's start-up package step on it under Wine (test
# mode: the configuration is read from the program's own folder and expanded in place).
# Prints the expanded configuration and fails when the run or the expansion did not happen.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in native win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
done

run=build/demo/run
rm -rf "$run"
mkdir -p "$run"
build/native/setup-pack config examples/config "$run"
cp build/win64/setup.exe "$run/"

export WINEPREFIX=$PWD/build/demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -f "$WINEPREFIX/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1; /usr/lib/wine/wineserver -w; }
set +e
(cd "$run" && "$wine" setup.exe test)
rc=$?
set -e
/usr/lib/wine/wineserver -w
echo "setup.exe test: exit code $rc"

# The demo product as a real package, built by setup-pack from examples/demo: the stub's KEY
# resource set to a fresh key, the configuration in a 7z with encrypted headers (password
# MD5(key), second signature byte altered) and the payload 7z appended behind setup.exe with
# the type block. Started normally, setup.exe writes out its archiver library, unpacks the
# package into a fresh work folder, expands it and cleans up.
pkg=build/demo/package
rm -rf "$pkg"; mkdir -p "$pkg"
build/native/setup-pack build examples/demo -o "$pkg/setup.exe" --arch win64
build/native/setup-pack inspect "$pkg/setup.exe" | sed -n '1,/^configuration package/p'
set +e
(cd "$pkg" && "$wine" setup.exe)
pkg_rc=$?
set -e
/usr/lib/wine/wineserver -w
echo "packaged setup.exe: exit code $pkg_rc (0: configuration unpacked through 7-zip32.dll)"

show() { printf '\n--- %s (expanded, shown as UTF-8)\n' "$1"; iconv -f GBK -t UTF-8 "$run/$1"; }
show data.ini
show GUItext.ini
show Except.ini
[ "$rc" = 0 ] || { echo "setup.exe failed" >&2; exit 1; }
[ "$pkg_rc" = 0 ] || { echo "the packaged setup.exe could not unpack its configuration" >&2; exit 1; }
if grep -q '%ProductName%' "$run/data.ini"; then echo "data.ini was not expanded" >&2; exit 1; fi
echo; echo "demo: the package step ran, unpacked the real package and expanded the configuration"
