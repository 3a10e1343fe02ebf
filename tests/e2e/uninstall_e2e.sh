#!/usr/bin/env bash
# End to end under Wine: the demo installed silently, then removed the way a package manager
# removes it: the Uninstall key's QuietUninstallString is run and waited for. Each scenario
# has a fresh copy of one booted (64-bit) Wine prefix. Checks the launcher's exit code and that
# everything the install recorded is gone (install folder, Uninstall key in both views,
# shortcuts, the registry values marked for removal, the engine's temp folder), while what it
# did not record stays (a value not marked for removal, a file the user added later).
# Usage: tests/e2e/uninstall_e2e.sh [win32|win64]   (default win32, the specified target)
# Tools: SETUP_PACK (default build/native/setup-pack), SETUP_STUB (default build/<build>/setup.exe).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
. tests/e2e/lib/prefix.sh
echo "uninstall_e2e: the $build build ($stub)"
boot_template

lnk_count() { find "$C/users" "$C/ProgramData" -name '*.lnk' 2>/dev/null | wc -l; }
linux_path() {  # linux_path 'C:\a\b' -> $C/a/b
  local p=${1#[Cc]:\\}
  echo "$C/${p//\\//}"
}
temp_folder() { find "$C/users" -maxdepth 4 -type d -name Temp | head -1; }

demo=$work/demo/setup.exe
"$pack" build examples/demo -o "$demo" --arch "$build" --stub "$stub" >/dev/null ||
  { check "setup-pack builds the demo" 1; exit 1; }

install_demo() {  # a fresh prefix with the demo installed silently; sets WINEPREFIX, C, app
  fresh_prefix
  (cd "$(dirname "$demo")" && "$wine" setup.exe -hp >/dev/null 2>&1)
  local rc=$?
  $wineserver -w
  app="$C/Program Files/演示软件"
  [ "$rc" = 0 ] && [ -f "$app/uninst.exe" ]
}
# run_uninstaller ARGS...: runs the installed uninst.exe the way the Uninstall key names it and
# waits for it (the launcher waits for the engine); then for the engine's own end.
run_uninstaller() {
  (cd "$app" && "$wine" uninst.exe "$@" >/dev/null 2>&1)
  local rc=$?
  $wineserver -w
  return $rc
}

# ---------------------------------------------------------------------------------------------
# 1. The round trip through QuietUninstallString.
if install_demo; then
  check "demo installs with uninst.exe and uninst.dat" "$(ok -f "$app/uninst.dat")"
  key=$(reg_text "$uninstall32\\演示软件")
  quiet=$(sed -n 's/^"QuietUninstallString"="\(.*\)"$/\1/p' <<<"$key" | sed 's/\\\\/\\/g; s/\\"/"/g')
  check "QuietUninstallString is the quoted uninst.exe and -hp ($quiet)" \
    "$(ok "$quiet" = '"C:\Program Files\演示软件\uninst.exe" -hp')"
  check "EstimatedSize is there" "$(ok -n "$(grep '^"EstimatedSize"=dword:' <<<"$key")")"
  check "the install made shortcuts" "$(ok "$(lnk_count)" -gt 0)"
  program=$(sed 's/^"\([^"]*\)".*/\1/' <<<"$quiet")
  arguments=$(sed 's/^"[^"]*" *//' <<<"$quiet")
  # shellcheck disable=SC2086
  (cd "$(dirname "$(linux_path "$program")")" && "$wine" "$(basename "$(linux_path "$program")")" $arguments >/dev/null 2>&1)
  rc=$?
  check "the quiet uninstall ends with exit code 0 (got $rc)" "$(ok "$rc" = 0)"
  $wineserver -w
  left=$( [ -e "$app" ] && cd "$app" && find . | sort | tr '\n' ' ')
  check "the install folder is gone ($left)" "$(ok ! -e "$app")"
  check "the Uninstall key is gone (32-bit view)" "$(ok -z "$(reg_text "$uninstall32\\演示软件")")"
  check "the Uninstall key is gone (64-bit view)" "$(ok -z "$(reg_text "$uninstall64\\演示软件")")"
  check "every shortcut is gone" "$(ok "$(lnk_count)" = 0)"
  check "the program group is gone" \
    "$(ok -z "$(find "$C/users" "$C/ProgramData" -type d -name '演示软件' 2>/dev/null)")"
  sw=$(reg_text 'HKCU\Software\演示软件')
  for v in InstallDir 启动次数 Flags; do
    check "the value $v marked for removal is gone" "$(ok -z "$(grep -F "\"$v\"=" <<<"$sw")")"
  done
  check "the value EscapedTemp not marked for removal stays" \
    "$(ok -n "$(grep -F '"EscapedTemp"=' <<<"$sw")")"
  temp=$(temp_folder)
  gone=1
  for _ in $(seq 1 50); do
    [ ! -e "$temp/Uninstall/演示软件" ] && { gone=0; break; }
    sleep 0.2
  done
  check "the engine's temp folder is gone" "$gone"
  check "the work folder %TEMP%\\演示软件 is gone" "$(ok ! -e "$temp/演示软件")"
else
  check "the demo installs (round trip)" 1
fi

# ---------------------------------------------------------------------------------------------
# 2. What the user added after the install survives, with its folder; an earlier engine
# folder left in %TEMP%\Uninstall is cleaned.
if install_demo; then
  mkdir -p "$app/我的文件" "$app/数据"
  echo mine >"$app/我的文件/笔记.txt"
  echo mine too >"$app/数据/自己的.txt"
  temp=$(temp_folder)
  mkdir -p "$temp/Uninstall/旧的产品"
  echo old >"$temp/Uninstall/旧的产品/uninst.exe"
  run_uninstaller -hp
  rc=$?
  check "uninst.exe -hp with user files: exit code 0 (got $rc)" "$(ok "$rc" = 0)"
  check "the user's file survives with its folder" "$(ok -f "$app/我的文件/笔记.txt")"
  check "the user's file in a payload folder survives" "$(ok -f "$app/数据/自己的.txt")"
  left=$(cd "$app" && find . -type f | sort | tr '\n' ' ')
  check "nothing else is left in the install folder ($left)" \
    "$(ok "$left" = "./我的文件/笔记.txt ./数据/自己的.txt ")"
  check "an earlier uninstall's engine folder is cleaned" "$(ok ! -e "$temp/Uninstall/旧的产品")"
else
  check "the demo installs (user files)" 1
fi

# ---------------------------------------------------------------------------------------------
# 3. Two uninstall runs in a row: the second finds nothing to start and says so (its message
# box answers itself without a display), without touching what the first left.
if install_demo; then
  run_uninstaller -hp
  rc=$?
  check "first uninstall: exit code 0 (got $rc)" "$(ok "$rc" = 0)"
  mkdir -p "$app"
  cp "$root/build/$build/uninst.exe" "$app/uninst.exe"
  run_uninstaller -hp
  rc=$?
  check "an uninst.exe without uninst.dat ends with exit code 10 (got $rc)" "$(ok "$rc" = 10)"
else
  check "the demo installs (two runs)" 1
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
