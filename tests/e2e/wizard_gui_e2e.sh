#!/usr/bin/env bash
# End to end with a visible wizard: setup.exe -jp on a virtual X display (xvfb-run), in a
# fresh Wine prefix whose Chinese fonts map to WenQuanYi Zen Hei.
#
# The package is a small project written here: a pre-install command and an after-unpack batch
# each drop a marker file and then wait a few seconds, so the installing page stays up long
# enough to be photographed before and after the extraction; two finish options run batches
# that drop marker files, the first ticked, the second not. The test checks that the wizard
# shows the installing page, that its bar fills, that the finish page follows, presses Next
# there (a click on the button), and then that only the ticked option ran and the exit code is
# 0. Screenshots go to build/artifacts/ (wizard-installing-start.png, wizard-installing-done.png,
# wizard-finish.png; wizard-failure.png when a wait runs out).
#
# Needs build/native/setup-pack, build/win64/setup.exe, xvfb-run, xdotool, imagemagick.
# Usage: tests/e2e/wizard_gui_e2e.sh   (starts its own xvfb-run unless already inside one)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${WIZARD_GUI_E2E_DISPLAY:-}" ]; then
  export WIZARD_GUI_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
cd "$root"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
artifacts=$root/build/artifacts
work=$(mktemp -d)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$work/prefix
# xvfb-run waits for every client of the display: the prefix's processes end with the script.
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$artifacts"
rm -f "$artifacts"/wizard-*.png

passed=0 failed=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}
finish() { echo "$passed passed, $failed failed"; [ "$failed" = 0 ]; exit $?; }
for tool in xdotool import "$wine" build/native/setup-pack build/win64/setup.exe; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; failed=$((failed + 1)); finish; }
done

# --- the prefix: fresh, with the CJK font replacements ----------------------------------------
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for font in "SimSun" "NSimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif"; do
    printf '"%s"="WenQuanYi Zen Hei"\r\n' "$font"
  done
} >"$work/fonts.reg"
"$wine" regedit /s "Z:${work//\//\\}\\fonts.reg" >/dev/null 2>&1
"$wineserver" -w
marks=$WINEPREFIX/drive_c/marks
mkdir -p "$marks"

# --- the package --------------------------------------------------------------------------------
project=$work/project
mkdir -p "$project/payload/tools"
cat >"$project/data.ini" <<'EOF'
[Mokta软件安装配置]
Mokta软件名称=界面测试
软件版本=2.0
公司名称=测试公司
安装位置=%ProgramFiles%\界面测试
是否生成卸载程序=真
卸载模式=正常卸载
安装模式=正常安装
安装后是否显示完成界面=真
基本组件勾选=真

[安装包命令行]
p=/D=
jp=-jp
hp=-hp

[完成后选项_列表]
y=真
次数=2
标题1=写下第一个标记
可视1=真
选中1=真
程序1=%InstallPath%\tools\finish1.bat
标题2=写下第二个标记
可视2=真
选中2=假
程序2=%InstallPath%\tools\finish2.bat

[解压后运行的参数]
欲运行的次数=2
是否外部运行1=真
参数运行文件名1=cmd /c echo pre> C:\marks\pre.txt & ping -n 5 127.0.0.1
是否隐藏窗口1=真
是否等待返回1=真
作用方案1=安装前运行
是否外部运行2=假
参数运行文件名2=tools\post.bat
是否隐藏窗口2=真
是否等待返回2=真
作用方案2=解压后运行
EOF
printf '@echo off\r\necho post> C:\\marks\\post.txt\r\nping -n 5 127.0.0.1 > nul\r\necho done> C:\\marks\\post-done.txt\r\n' \
  >"$project/payload/tools/post.bat"
for n in 1 2; do
  printf '@echo off\r\necho finish> C:\\marks\\finish%s.txt\r\n' "$n" >"$project/payload/tools/finish$n.bat"
done
printf 'readme\r\n' >"$project/payload/readme.txt"
# A few MiB, so that the bar moves through more than one step.
head -c $((4 << 20)) /dev/urandom >"$project/payload/data.bin"
for i in $(seq 1 20); do printf 'file %s\r\n' "$i" >"$project/payload/tools/note$i.txt"; done
build/native/setup-pack build "$project" -o "$work/pkg/setup.exe" --key 135 >"$work/pack.log" 2>&1
check "setup-pack builds the package" $?

# --- the run ------------------------------------------------------------------------------------
wait_for() {  # wait_for SECONDS TEST... : polls the test every 0.2 s
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    kill -0 "$setup_pid" 2>/dev/null || { "$@"; return; }
    sleep 0.2
  done
}
wizard_window() {  # prints the id of the wizard's visible top-level window
  xdotool search --onlyvisible --class "setup.exe" 2>/dev/null | while read -r id; do
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
    [ "${geometry%x*}" -ge 400 ] 2>/dev/null && { echo "$id"; break; }
  done
}
shoot() {  # shoot NAME: the wizard window (the whole screen when it is not found)
  local id geometry position
  id=$(wizard_window)
  if [ -n "$id" ]; then
    geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
    position=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1+\2/p')
    import -window root -crop "${geometry}+${position}" +repage "$artifacts/$1.png"
  else
    import -window root "$artifacts/$1.png"
  fi
}
give_up() { shoot wizard-failure; check "$1" 1; kill "$setup_pid" 2>/dev/null; finish; }

(cd "$work/pkg" && exec "$wine" setup.exe -jp "/D=C:\\guitest") >/dev/null 2>&1 &
setup_pid=$!

wait_for 90 test -f "$marks/pre.txt" || give_up "the pre-install command runs"
sleep 1.5
window=$(wizard_window)
check "the wizard window is shown while the pre-install command waits" $([ -n "$window" ]; echo $?)
[ -n "$window" ] || give_up "the wizard window appears"
shoot wizard-installing-start

wait_for 90 test -f "$marks/post.txt" || give_up "the payload is extracted and the after-unpack batch runs"
sleep 1.5
shoot wizard-installing-done
check "the payload is in the install folder before the finish page" \
  $(cmp -s "$project/payload/data.bin" "$WINEPREFIX/drive_c/guitest/data.bin"; echo $?)

wait_for 60 test -f "$marks/post-done.txt" || give_up "the after-unpack batch ends"
sleep 2
shoot wizard-finish
check "no finish option ran before Next" $([ ! -e "$marks/finish1.txt" ]; echo $?)
check "setup.exe waits on the finish page" $(kill -0 "$setup_pid" 2>/dev/null; echo $?)

# Next: 下一步_按钮 at (320, 301), 80 x 22, in client coordinates; with no window manager the X
# window of a Wine top-level is its client area.
window=$(wizard_window)
xdotool mousemove --window "$window" 360 312 click 1
deadline=$((SECONDS + 30))
while kill -0 "$setup_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
kill -0 "$setup_pid" 2>/dev/null && give_up "setup.exe ends after Next on the finish page"
wait "$setup_pid"
rc=$?
check "exit code 0 after Next on the finish page (got $rc)" $([ "$rc" = 0 ]; echo $?)
"$wineserver" -w
check "the ticked finish option ran" $([ -f "$marks/finish1.txt" ]; echo $?)
check "the unticked finish option did not run" $([ ! -e "$marks/finish2.txt" ]; echo $?)
finish
