#!/usr/bin/env bash
# The main job: builds everything, packs the demo product (examples/demo) into a setup.exe with
# setup-pack (the i686 stub, the specified target), installs it silently ("-hp") into a fresh
# private 64-bit Wine prefix, and prints what was installed: the files, the registry values and
# the shortcuts. Fails when the install does not end with exit code 0.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
. tests/win/wine-run.sh
arch=win32
wine=/usr/lib/wine/wine       # the i686 setup.exe
if ! can_run_i686; then
  # A kernel without IA-32 emulation runs no 32-bit program: the demo then goes in with the
  # x86_64 build, and says so.
  echo "!!! this machine cannot execute 32-bit programs (Exec format error): the demo is packed"
  echo "!!! and installed with the x86_64 build instead of the i686 one"
  arch=win64
  wine=/usr/lib/wine/wine64
fi
for preset in native $arch; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
done

pkg=build/demo/package
rm -rf "$pkg"
mkdir -p "$pkg"
build/native/setup-pack build examples/demo -o "$pkg/setup.exe" --arch $arch
build/native/setup-pack inspect "$pkg/setup.exe" | sed -n '1,/^configuration package/p'

export WINEPREFIX=$PWD/build/demo/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine64=/usr/lib/wine/wine64   # the prefix and Wine's own tools
wineserver=/usr/lib/wine/wineserver
$wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
echo "booting a fresh Wine prefix in $WINEPREFIX..."
"$wine64" wineboot -i >/dev/null 2>&1
$wineserver -w
# Wine links Desktop, Documents... to the Linux home; the demo's shortcuts stay in the prefix.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link"; mkdir "$link"; fi
done

echo
echo "=== setup.exe -hp"
set +e
(cd "$pkg" && "$wine" setup.exe -hp)
rc=$?
set -e
$wineserver -w
echo "exit code $rc (0: installed)"

C=$WINEPREFIX/drive_c
app="$C/Program Files/演示软件"
echo
echo "=== files in C:\\Program Files\\演示软件"
(cd "$app" 2>/dev/null && find . -type f -printf '%P  (%s bytes)\n' | sort) || echo "(none)"

reg() {  # the key and its values, as UTF-8 text
  local out=$WINEPREFIX/drive_c/demo-export.reg
  rm -f "$out"
  if "$wine64" reg export "$1" 'C:\demo-export.reg' /y >/dev/null 2>&1; then
    iconv -f UTF-16LE -t UTF-8 "$out" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' |
      grep -v '^Windows Registry Editor' | sed '/^$/d'
  else
    echo "(missing) $1"
  fi
}
echo
echo "=== registry"
reg 'HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\演示软件'
reg 'HKCU\Software\演示软件'

echo
echo "=== shortcuts"
(cd "$C/users" && find . -name '*.lnk' -printf '%P\n' | sort)
$wineserver -k 2>/dev/null || true
[ "$rc" = 0 ]
