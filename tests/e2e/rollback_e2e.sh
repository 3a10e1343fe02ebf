#!/usr/bin/env bash
# End to end under Wine: installs that do not complete leave the machine as it was.
# 1. Disk full: the install folder on a 200 KB drive (a tmpfs mounted here and mapped as Wine's
#    drive R:) and a 2,000-file product: exit 5, the drive as empty as before, nothing registered.
# 2. Reinstall over a working install (400 files) with a changed version whose payload is damaged
#    two-thirds in: exit 5, every file, the Uninstall key and the shortcut of the earlier install
#    as they were, no backup folder left.
# 3. The same reinstall, undamaged, while another program (file_holder.exe) holds one of the
#    earlier files open: exit 15, the earlier install intact.
#    A run of that reinstall killed half-way (wineserver -k) leaves its backup folder; the next
#    run restores the earlier install from it first.
# 4. Cancel confirmed during the extraction of the visible wizard ("-jp", Xvfb): exit 2, nothing
#    of the run left. Screenshot: build/artifacts/<build>/rollback-cancel-question.png.
# 5. The reinstall in the visible wizard while a file is held: the retry / cancel question
#    (rollback-in-use-question.png), Cancel: exit 15, the earlier install intact.
# Needs root for the tmpfs mount (scenario 1 is reported as skipped without it).
# Usage: tests/e2e/rollback_e2e.sh [win32|win64]   (default win32, the build that ships)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
. tests/e2e/lib/prefix.sh
holder=$root/build/$build/probe/file_holder.exe
for f in "$pack" "$holder"; do [ -f "$f" ] || { echo "missing $f" >&2; exit 2; }; done
echo "rollback_e2e: the $build build ($stub)"
artifacts=$root/build/artifacts/$build
mkdir -p "$artifacts"
small_drive=$work/drive-r
cleanup() {
  mountpoint -q "$small_drive" 2>/dev/null && umount "$small_drive"
  prefix_cleanup
}
trap cleanup EXIT
boot_template


run_setup() {  # run_setup SETUP.EXE ARGS... -> exit code, in the current prefix
  local exe=$1; shift
  (cd "$(dirname "$exe")" && "$wine" "$(basename "$exe")" "$@" >/dev/null 2>&1)
  local rc=$?
  $wineserver -w
  return $rc
}
# What an install left, for comparing before and after: every file under the folder with its
# checksum, every folder, the Uninstall key, and the .lnk files of the user folders.
state_of() {  # state_of FOLDER
  (cd "$1" 2>/dev/null && find . -type d | sort && find . -type f -exec sha1sum {} + | sort -k2)
  echo "--- Uninstall key"
  reg_text "$uninstall32\\回滚工具"
  echo "--- shortcuts"
  find "$C/users" -name '*.lnk' -exec sha1sum {} + 2>/dev/null | sort -k2
}

# make_project DIR VERSION FILES BYTES: a product of FILES random files of BYTES each (the
# seed is the version, so another version has other bytes), a desktop shortcut and an
# uninstaller.
make_project() {
  local dir=$1 version=$2 count=$3 bytes=$4
  mkdir -p "$dir/payload/files"
  python3 - "$dir/payload/files" "$version" "$count" "$bytes" <<'EOF'
import os, random, sys
folder, version, count, size = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
rng = random.Random(version)
for i in range(1, count + 1):
    with open(os.path.join(folder, "f%04d.bin" % i), "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(size)))
EOF
  cat >"$dir/data.ini" <<EOF
[Mokta软件安装配置]
Mokta软件名称=回滚工具
软件版本=$version
公司名称=测试公司
包内的程序名=files\\f0001.bin
安装位置=%ProgramFiles%\\RollTool
是否生成卸载程序=真
安装模式=正常安装
安装后是否显示完成界面=真
安装过程_列表=0

[安装包命令行]
p=/D=
hp=-hp
hideend=-hideend

[新建快捷方式参数]
欲运行的次数=1
参数快捷方式名1=回滚工具
参数文件名1=files\\f0001.bin
参数命令行1=
参数生成位置1=%Desktop%
参数是否卸载1=真
快捷方式图标1=
快捷方式描述1=
EOF
  printf '[%%ProgramFiles%%]\n数据=\n[%%Desktop%%]\n数据=\n' >"$dir/variable.ini"
  cat >"$dir/choosegment.ini" <<'EOF'
Treelists
｛
Install(){主程序$,-1$,1$,真$,$,0
桌面快捷方式$,-1$,1$,真$,$,1
}
｝
EOF
  "$pack" build "$dir" -o "$dir/out/setup.exe" --arch "$build" --stub "$stub" >"$dir/pack.log" 2>&1
}
damage() {  # damage SETUP.EXE PERCENT: zeros 4 KiB of its payload block that far in
  python3 - "$1" "$2" <<'EOF'
import sys
path, percent = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, "rb").read())
start = data.find(b"QZR-mark=7zipdataA\x01")
end = data.find(b"QZR-mark=7zipdataB", start + 1)
if start < 0 or end < 0:
    sys.exit(1)
at = start + (end - start) * percent // 100
data[at:at + 4096] = bytes(4096)
open(path, "wb").write(data)
EOF
}

# ---------------------------------------------------------------------------------------------
# 1. Disk full.
make_project "$work/big" 1.0 2000 300
check "the 2,000-file product packs" $?
mkdir -p "$small_drive"
if mount -t tmpfs -o size=200k tmpfs "$small_drive" 2>/dev/null; then
  fresh_prefix
  ln -s "$small_drive" "$WINEPREFIX/dosdevices/r:"
  used_before=$(df -k --output=used "$small_drive" | tail -1)
  run_setup "$work/big/out/setup.exe" -hp '/D=R:\RollTool'; rc=$?
  check "disk full: exit 5 (got $rc)" "$(ok $rc = 5)"
  left=$(find "$small_drive" -mindepth 1 | wc -l)
  check "disk full: the drive is as empty as before ($left entries left)" "$(ok "$left" = 0)"
  used_after=$(df -k --output=used "$small_drive" | tail -1)
  check "disk full: space used $used_before KiB before, $used_after KiB after" "$(ok "$used_after" = "$used_before")"
  check "disk full: no Uninstall key" "$(ok -z "$(reg_text "$uninstall32\\回滚工具")")"
  check "disk full: no shortcut" "$(ok -z "$(find "$C/users" -name '*.lnk')")"
  umount "$small_drive"
else
  echo "skip disk full: a tmpfs cannot be mounted here (not root?)"
fi

# ---------------------------------------------------------------------------------------------
# 2. A damaged reinstall over a working install.
make_project "$work/v1" 1.0 400 2000
make_project "$work/v2" 2.0 400 2000
cp "$work/v2/out/setup.exe" "$work/v2/out/damaged.exe"
damage "$work/v2/out/damaged.exe" 66
check "the two versions pack, the second damaged two-thirds in" $?
fresh_prefix
app="$C/Program Files/RollTool"
run_setup "$work/v1/out/setup.exe" -hp; rc=$?
check "reinstall: the first install ends with 0 (got $rc)" "$(ok $rc = 0)"
state_of "$app" >"$work/state-v1.txt"
check "reinstall: the first install has its files, key and shortcut" \
  "$(ok "$(grep -c 'f0.*\.bin$' "$work/state-v1.txt")" = 400 -a -n "$(grep -F DisplayVersion "$work/state-v1.txt")" -a -n "$(grep -F '.lnk' "$work/state-v1.txt")")"
run_setup "$work/v2/out/damaged.exe" -hp; rc=$?
check "reinstall, damaged payload: exit 5 (got $rc)" "$(ok $rc = 5)"
state_of "$app" >"$work/state-after.txt"
changed=$(diff "$work/state-v1.txt" "$work/state-after.txt" | grep -c '^[<>]')
check "reinstall, damaged payload: the earlier install byte for byte as it was ($changed lines differ)" "$(ok "$changed" = 0)"
check "reinstall, damaged payload: no backup folder left" "$(ok ! -e "$app/~install-backup.tmp")"

# ---------------------------------------------------------------------------------------------
# 3. The reinstall while a file of the earlier install is held open (same prefix).
held='C:\Program Files\RollTool\files\f0300.bin'
rm -f "$C/held.mark"
(cd "$(dirname "$holder")" && "$(wine_for "$holder")" file_holder.exe "$held" 'C:\held.mark' 60 >/dev/null 2>&1) &
for _ in $(seq 100); do [ -e "$C/held.mark" ] && break; sleep 0.2; done
check "in use: the holder has the file open" "$(ok -e "$C/held.mark")"
rm -f "$C/held.mark"
(cd "$work/v2/out" && "$wine" setup.exe -hp >/dev/null 2>&1); rc=$?
$wineserver -k; $wineserver -w
check "in use: exit 15 (got $rc)" "$(ok $rc = 15)"
state_of "$app" >"$work/state-after.txt"
changed=$(diff "$work/state-v1.txt" "$work/state-after.txt" | grep -c '^[<>]')
check "in use: the earlier install intact ($changed lines differ)" "$(ok "$changed" = 0)"
check "in use: no backup folder left" "$(ok ! -e "$app/~install-backup.tmp")"

# ---------------------------------------------------------------------------------------------
# 3b. A run killed half-way (as by a power loss) leaves its backup folder; the next run of the
#     product (the damaged one: it fails and undoes only its own changes) restores it first.
(cd "$work/v2/out" && exec "$wine" setup.exe -hp) >/dev/null 2>&1 &
for _ in $(seq 400); do [ -e "$app/~install-backup.tmp/20" ] && break; sleep 0.02; done
$wineserver -k; $wineserver -w
check "crash: the killed run left its backup folder and record" \
  "$(ok -e "$app/~install-backup.tmp/20" -a -s "$app/~install-backup.tmp/journal.txt")"
run_setup "$work/v2/out/damaged.exe" -hp; rc=$?
check "crash: the next run ends as its damaged payload says (5, got $rc)" "$(ok $rc = 5)"
state_of "$app" >"$work/state-after.txt"
changed=$(diff "$work/state-v1.txt" "$work/state-after.txt" | grep -c '^[<>]')
check "crash: the earlier install restored from the killed run's backup ($changed lines differ)" "$(ok "$changed" = 0)"

# ---------------------------------------------------------------------------------------------
# 4. Cancel confirmed during the extraction, in the visible wizard.
XVFB_WINE=$wine
. tests/e2e/lib/xvfb.sh
cancel_run() {
  local dest=$WINEPREFIX/drive_c/canceltest
  (cd "$work/big/out" && exec "$XVFB_WINE" setup.exe -jp '/D=C:\canceltest') >/dev/null 2>&1 &
  local pid=$! i id=""
  # Cancel once the extraction has written its first files.
  for i in $(seq 600); do
    [ -n "$(ls "$dest/files" 2>/dev/null | head -1)" ] && break
    sleep 0.1
  done
  check "cancel: the extraction started" "$(ok -d "$dest/files")"
  for id in $(xdotool search --onlyvisible --class setup.exe 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
    [ "${geometry%x*}" -ge 400 ] 2>/dev/null && break
  done
  # 取消按钮_主窗口 at (407, 301), 80 x 22, client coordinates.
  xdotool mousemove --window "$id" 447 312 click 1
  local box=""
  for i in $(seq 100); do
    for w in $(xdotool search --onlyvisible --class setup.exe 2>/dev/null); do
      geometry=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: //p')
      [ "$w" != "$id" ] && [ "${geometry%x*}" -lt 480 ] 2>/dev/null && box=$w
    done
    [ -n "$box" ] && break
    sleep 0.1
  done
  check "cancel: the question is asked" "$(ok -n "$box")"
  xvfb_screenshot "$artifacts/rollback-cancel-question.png"
  # Yes is the question's default button.
  xdotool windowfocus "$box" key Return 2>/dev/null
  wait "$pid"
  local rc=$?
  check "cancel: exit 2 (got $rc)" "$(ok $rc = 2)"
  check "cancel: nothing of the run left ($(find "$dest" 2>/dev/null | wc -l) entries)" "$(ok ! -e "$dest")"
  check "cancel: no Uninstall key" "$(ok -z "$(reg_text "$uninstall32\\回滚工具")")"
}
in_use_wizard_run() {
  local app="$C/Program Files/RollTool" i box="" rc
  rm -f "$C/held.mark"
  (cd "$(dirname "$holder")" && exec "$XVFB_WINE" file_holder.exe "$held" 'C:\held.mark' 60) >/dev/null 2>&1 &
  for i in $(seq 100); do [ -e "$C/held.mark" ] && break; sleep 0.2; done
  rm -f "$C/held.mark"
  (cd "$work/v2/out" && exec "$XVFB_WINE" setup.exe -jp) >/dev/null 2>&1 &
  local pid=$!
  for i in $(seq 300); do
    for w in $(xdotool search --onlyvisible --class setup.exe 2>/dev/null); do
      geometry=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: //p')
      [ "${geometry%x*}" -lt 480 ] 2>/dev/null && box=$w
    done
    [ -n "$box" ] && break
    sleep 0.2
  done
  check "in use, wizard: the retry / cancel question is asked" "$(ok -n "$box")"
  sleep 0.5
  xvfb_screenshot "$artifacts/rollback-in-use-question.png"
  # Escape answers Cancel.
  xdotool windowfocus "$box" key Escape 2>/dev/null
  wait "$pid"; rc=$?
  check "in use, wizard: Cancel ends with 15 (got $rc)" "$(ok $rc = 15)"
  state_of "$app" >"$work/state-after-wizard.txt"
  local changed
  changed=$(diff "$work/state-v1.txt" "$work/state-after-wizard.txt" | grep -c '^[<>]')
  check "in use, wizard: the earlier install intact ($changed lines differ)" "$(ok "$changed" = 0)"
}

fresh_prefix
xvfb_make_prefix "$WINEPREFIX"
export -f check ok reg_text state_of
export work artifacts uninstall32 wine64 results holder held C
xvfb_run cancel_run | tee "$work/cancel.log"
run_setup "$work/v1/out/setup.exe" -hp
state_of "$C/Program Files/RollTool" >"$work/state-v1.txt"
xvfb_run in_use_wizard_run | tee -a "$work/cancel.log"
passed=$((passed + $(grep -c '^ok' "$work/cancel.log")))
failed=$((failed + $(grep -c '^FAIL' "$work/cancel.log")))

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
