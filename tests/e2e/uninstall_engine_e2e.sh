#!/usr/bin/env bash
# The uninstall engine end to end under Wine, without the record writer and the launcher: this
# script lays out what they leave (an install folder R with files, registry values and
# R\uninst.dat = setup.exe's image + "{" + the record blocks + the uninstaller type block; the
# engine copy T\uninst.exe with its 10 MiB of zeros) and runs the copy the way the launcher does,
# "R" "T" 卸载 -hp. Checks the exit code, what was removed and what the user's or other products'
# own things kept; then a copy whose R has no uninst.dat ends with exit code 10.
# Usage: tests/e2e/uninstall_engine_e2e.sh [win32|win64]   (default win32)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-win32}
stub=$root/build/$build/setup.exe
[ -f "$stub" ] || { echo "missing $stub" >&2; exit 2; }
. "$root/tests/win/wine-run.sh"
wine=$(wine_for "$stub")
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
trap '$wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
source "$root/tests/e2e/lib/checks.sh"
echo "uninstall_engine_e2e: the $build build ($stub)"

"$wine64" wineboot -i >/dev/null 2>&1
$wineserver -w
C=$WINEPREFIX/drive_c
temp_win=$("$wine64" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
temp_unix=$C/${temp_win#C:\\}
temp_unix=${temp_unix//\\//}
reg_view=/reg:32  # the "32" view of the record, as RegistryViewOf reads it on 64-bit Windows

# make_product NAME: R = C:\Program Files\NAME with its files and its record.
make_product() {
  local name=$1 r_unix="$C/Program Files/$1"
  mkdir -p "$r_unix/bin" "$r_unix/docs" "$r_unix/user"
  echo app > "$r_unix/bin/app.exe"; echo doc > "$r_unix/docs/guide.txt"
  echo mine > "$r_unix/user/mine.txt"   # the user's, added after the install
  python3 - "$stub" "$r_unix/uninst.dat" "$name" <<'PY'
import sys
stub, out, name = sys.argv[1], sys.argv[2], sys.argv[3]
r = "C:\\Program Files\\" + name
files = [r + "\\bin\\app.exe", r + "\\docs\\guide.txt", r + "\\uninst.ini", r + "\\uninst.exe",
         r + "\\uninst.dat"]
ini = "\r\n".join([
    "[软件卸载配置]", "软件名称=" + name, "软件版本=1.0", "主程序名=app.exe", "卸载路径=" + r,
    "快捷方式个数=0", "开始菜单栏名称=", "卸载模式=",
    "[安装包命令行]", "jp=-jp", "hideend=-hideend", "hp=-hp",
    "[卸载时运行命令]", "欲运行的次数=0",
    "[卸载选项]", "次数=0", "y=", ""]).encode("gbk")
def item(key, value):
    k = key.encode("gbk")
    return k + b"\x01" + value + k + b"end"
ini += item("卸载路径", "\r\n".join(files).encode("gbk"))
ini += item("卸载注册表", b"HKEY_LOCAL_MACHINE\\SOFTWARE\\DemoCo\\Path$,32\r\n")
def section(a, content, b):
    return a.encode("gbk") + b"\x01" + content + b.encode("gbk") + b"\x01"
data = open(stub, "rb").read() + b"{"
data += section("uninst_datA", "#！★！#".encode("gbk") * 4, "uninst_datB")
data += section("uninst_iniA", ini, "uninst_iniB")
data += section("skinA", item("版权", "演示公司".encode("gbk")), "skinB")
data += section("QZR-mark=配置包A", b"qzr-2", "QZR-mark=配置包B")
open(out, "wb").write(data)
PY
}

# engine_copy NAME: T\uninst.exe as the launcher leaves it; prints T's Unix path.
engine_copy() {
  local t_unix="$temp_unix/Uninstall/$1"
  mkdir -p "$t_unix"
  # The launcher copies R\uninst.dat; a product without one gets the first product's engine.
  [ -f "$C/Program Files/$1/uninst.dat" ] && cp "$C/Program Files/$1/uninst.dat" "$work/engine.dat"
  cp "$work/engine.dat" "$t_unix/uninst.exe"
  head -c 10485760 /dev/zero >> "$t_unix/uninst.exe"
  echo "$t_unix"
}

run_engine() {  # run_engine NAME ARGS... -> the engine's exit code
  local name=$1; shift
  local t_unix; t_unix=$(engine_copy "$name")
  (cd "$t_unix" && "$wine" uninst.exe "C:\\Program Files\\$name" "$temp_win\\Uninstall\\$name" \
     卸载 "$@" >/dev/null 2>&1)
  local rc=$?
  $wineserver -w
  return $rc
}

reg() { "$wine64" reg "$@" >/dev/null 2>&1; }
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'

make_product DemoApp
reg add "$uninstall_key\\DemoApp" /v DisplayName /d DemoApp /f /reg:64
reg add "$uninstall_key\\DemoApp" /v DisplayName /d DemoApp /f /reg:32
reg add "$uninstall_key\\OtherApp" /v DisplayName /d OtherApp /f $reg_view
reg add 'HKLM\SOFTWARE\DemoCo' /v Path /d x /f $reg_view
reg add 'HKLM\SOFTWARE\DemoCo' /v Keep /d y /f $reg_view
run_engine DemoApp -hp
rc=$?
R="$C/Program Files/DemoApp"
check "silent uninstall ends with exit code 0 (got $rc)" $(ok $rc = 0)
check "recorded files are gone" $(ok ! -e "$R/bin/app.exe" -a ! -e "$R/docs/guide.txt")
check "their emptied folders are gone" $(ok ! -d "$R/bin" -a ! -d "$R/docs")
check "uninst.exe and uninst.dat are gone" $(ok ! -e "$R/uninst.exe" -a ! -e "$R/uninst.dat")
check "the user's file stays with its folder" $(ok -f "$R/user/mine.txt")
reg query "$uninstall_key\\DemoApp" /reg:64; check "the Uninstall key is gone (64-bit view)" $(ok $? != 0)
reg query "$uninstall_key\\DemoApp" /reg:32; check "the Uninstall key is gone (32-bit view)" $(ok $? != 0)
reg query "$uninstall_key\\OtherApp" $reg_view; check "another product's key stays" $(ok $? = 0)
reg query 'HKLM\SOFTWARE\DemoCo' /v Path $reg_view; check "the recorded value is gone" $(ok $? != 0)
reg query 'HKLM\SOFTWARE\DemoCo' /v Keep $reg_view; check "an unrecorded value stays" $(ok $? = 0)
check "the engine's record copy and work folder are gone" \
  $(ok ! -e "$temp_unix/Uninstall/DemoApp/uninst.ini" -a ! -d "$temp_unix/DemoApp")

mkdir -p "$C/Program Files/NoRecord"
run_engine NoRecord -hp
rc=$?
check "a copy without uninst.dat ends with exit code 10 (got $rc)" $(ok $rc = 10)

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
