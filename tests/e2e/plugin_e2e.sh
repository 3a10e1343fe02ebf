#!/usr/bin/env bash
# End to end with the sample plug-in (examples/plugin) packed into setup.exe, on a virtual X
# display in a fresh Wine prefix. The plug-in records every call to a log file and is steered
# by environment variables (sample_plugin.c says which); each run below gets a log of its own.
#
# Two packages: A without an install password, B with one and an uninstaller. Both carry the
# same DLL three times (one module): StartStd (stdcall) for the installer, StartC (cdecl) for
# installer and uninstaller, StartStd again for the uninstaller only.
#   1. A, "-jp": the start calls and the message sequence 1001 welcome, 1001 installing, 1005,
#      1002 (installing page, 1), 1001 finish; Next on the finish page, exit code 0.
#   2. A, wizard, 1002 vetoed: Next sends 1002 0 1 and the page stays (no 1001 follows).
#   3. A, wizard, 1003 vetoed: Cancel, confirmed in the message box; 1003 1 is sent and the
#      wizard stays open.
#   4. B, wizard: the plug-in adds a page with its header (1004, 1000, 1008), then starts the
#      install with a wrong password (1009): answer -1 and nothing installed.
#   5. B, wizard with -hideend: 1010 (path), 1011, 1013 (exclude entry), host query 1006, then
#      1009 with the right password: answer 0, the callbacks heard progress and steps, the
#      excluded file is not extracted, exit code 0.
#   6. B's uninstaller, -hp, 2000/1 vetoed: the uninstaller-mode entries start, the installer-only
#      one does not, 2000 1 and 2000 2 are sent, and the files stay; then without the veto the
#      uninstall removes them.
# Screenshots in build/artifacts/<build>/plugin-*.png.
#
# Needs build/native/setup-pack, build/<build>/setup.exe, build/<build>/examples/sample_plugin.dll,
# xvfb-run, xdotool, imagemagick.
# Usage: tests/e2e/plugin_e2e.sh [win32|win64]   (default win32)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
. tests/e2e/lib/gui.sh
echo "plugin_e2e: the $build build"
rm -f "$artifacts"/plugin-*.png

ok() { if "$@"; then echo 0; else echo 1; fi; }
finish() {
  gui_counts
  rm -rf "$artifacts/plugin-logs"
  [ -d "${logs:-}" ] && cp -r "$logs" "$artifacts/plugin-logs"
  echo "$passed passed, $failed failed; screenshots and the plug-in's logs in $artifacts"
  [ "$failed" = 0 ]
  exit $?
}
gui_require xdotool import xvfb-run build/native/setup-pack "build/$build/setup.exe" \
  "build/$build/examples/sample_plugin.dll"

xvfb_make_prefix "$work/prefix"
logs=$WINEPREFIX/drive_c/pluglogs
mkdir -p "$logs"

# --- the packages -------------------------------------------------------------------------------
make_project() {  # make_project DIR PASSWORD
  local project=$1
  mkdir -p "$project/payload" "$project/plugins"
  cat >"$project/data.ini" <<EOF
[Mokta软件安装配置]
Mokta软件名称=插件测试
软件版本=1.0
公司名称=测试公司
安装位置=C:\\plugtest
是否生成卸载程序=真
卸载模式=正常卸载
安装模式=正常安装
安装后是否显示完成界面=真
基本组件勾选=真
安装密码=$2

[安装包命令行]
p=/D=
jp=-jp
hp=-hp
hideend=-hideend
EOF
  cp "build/$build/examples/sample_plugin.dll" "$project/plugins/sample.dll"
  cat >"$project/plugins.ini" <<'EOF'
[安装]
file=plugins/sample.dll
function=StartStd
run=installer
param1=文本型,安装用
param2=整数型,12

[两者]
file=plugins/sample.dll
function=StartC
run=both
param1=文本型,两者
param2=整数型,34

[卸载]
file=plugins/sample.dll
function=StartStd
run=uninstaller
param1=文本型,卸载用
param2=整数型,56
EOF
  printf 'keep\r\n' >"$project/payload/keep.txt"
  printf 'skip\r\n' >"$project/payload/skip.txt"
  for i in $(seq 1 30); do printf 'file %s\r\n' "$i" >"$project/payload/note$i.txt"; done
}
make_project "$work/projA" ""
make_project "$work/projB" "right"
build/native/setup-pack build "$work/projA" -o "$work/pkgA/setup.exe" --arch "$build" --key 246 >"$work/packA.log" 2>&1
check "setup-pack builds package A" $?
build/native/setup-pack build "$work/projB" -o "$work/pkgB/setup.exe" --arch "$build" --key 357 >"$work/packB.log" 2>&1
check "setup-pack builds package B" $?

# --- helpers ------------------------------------------------------------------------------------
windows() {  # "id width" of every visible top-level window of setup.exe
  local id geometry
  for id in $(xdotool search --onlyvisible --class "setup.exe" 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
    echo "$id ${geometry%x*}"
  done
}
wizard_window() { windows | awk '$2 >= 480 { print $1; exit }'; }
box_window() { windows | awk '$2 < 480 && $2 > 100 { print $1; exit }'; }
shoot() {  # shoot NAME: the whole screen
  xvfb_screenshot "$artifacts/plugin-$1.png"
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
logged() { [ -f "$1" ] && tr -d '\r' <"$1" | grep -aqxF "$2"; }  # logged LOG LINE
# The messages of a log, without 1004: the window's placement is announced whenever the
# window is shown or moved, which the display's timing decides.
msgs() { grep -a '^msg ' "$1" 2>/dev/null | grep -av '^msg 1004 ' | tr -d '\r'; }
start_setup() {  # start_setup PKG LOG ARGS...: setup.exe in the background, env for the plug-in
  local pkg=$1 log=$2
  shift 2
  (cd "$work/$pkg" && SAMPLE_PLUGIN_LOG="C:\\pluglogs\\$log" exec "$XVFB_WINE" setup.exe "$@") \
    >/dev/null 2>&1 &
  setup_pid=$!
}
stop_setup() { kill "$setup_pid" 2>/dev/null; xvfb_end_prefix; }
# Wine keeps a log line's bytes; the texts the plug-in was given are GBK.
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }

# --- 1. -jp: the message sequence ---------------------------------------------------------------
run_jp() {
  local log=$logs/jp.log
  start_setup pkgA jp.log -jp "/D=C:\\plugjp"
  wait_for 90 logged "$log" "msg 1001 5 0" || { shoot jp-failure; check "-jp reaches the finish page" 1; stop_setup; return; }
  sleep 1
  shoot jp-finish
  check "the installer-mode entries started: StartStd, then StartC (log: $(grep -a '^start' "$log" | tr -d '\r' | iconv -f GBK -t UTF-8 | tr '\n' ';'))" \
    "$(ok [ "$(grep -a '^start' "$log" | tr -d '\r')" = "$(gbk "start StartStd 安装用 12
start StartC 两者 34")" ])"
  local expected="msg 1001 0 0
msg 1001 4 0
msg 1005 0 0
msg 1002 4 1
msg 1001 5 0"
  check "messages in order: 1001 welcome, 1001 installing, 1005, 1002 4 1, 1001 finish (got: $(msgs "$log" | tr '\n' ';'))" \
    "$(ok [ "$(msgs "$log")" = "$expected" ])"
  check "tarn_msg got zeros in arguments 4 to 15" "$(grep -q 'extra arguments' "$log"; [ $? = 1 ]; echo $?)"
  check "the payload is installed" "$(ok [ -f "$WINEPREFIX/drive_c/plugjp/note30.txt" ])"
  click "$(wizard_window)" 360 312
  local deadline=$((SECONDS + 30))
  while kill -0 "$setup_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
  wait "$setup_pid"
  local rc=$?
  check "exit code 0 after Next on the finish page (got $rc)" "$(ok [ "$rc" = 0 ])"
}

# --- 2. 1002 vetoed -----------------------------------------------------------------------------
run_veto_next() {
  local log=$logs/veto-next.log
  SAMPLE_PLUGIN_VETO=1002 start_setup pkgA veto-next.log
  wait_for 60 logged "$log" "msg 1001 0 0" || { check "the wizard opens" 1; stop_setup; return; }
  sleep 1.5
  click "$(wizard_window)" 360 312
  wait_for 20 logged "$log" "msg 1002 0 1"
  check "Next sends 1002 0 1" $?
  sleep 1.5
  shoot veto-next
  check "answer 1 keeps the wizard on the welcome page (messages: $(msgs "$log" | tr '\n' ';'))" \
    "$(ok [ "$(msgs "$log")" = "msg 1001 0 0
msg 1002 0 1" ])"
  check "the wizard is still open" "$(ok kill -0 "$setup_pid")"
  stop_setup
}

# --- 3. 1003 vetoed after a confirmed Cancel ----------------------------------------------------
run_veto_cancel() {
  local log=$logs/veto-cancel.log
  SAMPLE_PLUGIN_VETO=1003 start_setup pkgA veto-cancel.log
  wait_for 60 logged "$log" "msg 1001 0 0" || { check "the wizard opens" 1; stop_setup; return; }
  sleep 1.5
  click "$(wizard_window)" 447 312
  local box=""
  local deadline=$((SECONDS + 20))
  while [ -z "$box" ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.3; box=$(box_window); done
  check "Cancel asks (a message box appears)" "$(ok [ -n "$box" ])"
  sleep 0.5
  shoot cancel-question
  # Yes is the box's default button.
  xdotool key --window "$box" Return
  wait_for 20 logged "$log" "msg 1003 1 0"
  check "the confirmed Cancel sends 1003 1" $?
  sleep 2
  shoot veto-cancel
  check "answer 1 keeps the wizard open" "$(ok kill -0 "$setup_pid")"
  check "the wizard window is still shown" "$(ok [ -n "$(wizard_window)" ])"
  stop_setup
}

# --- 4. an added page, then 1009 with a wrong password ------------------------------------------
run_wrong_password() {
  local log=$logs/wrong.log
  SAMPLE_PLUGIN_ACTIONS=addpage,install=wrong start_setup pkgB wrong.log
  wait_for 60 logged "$log" "install -1"
  check "1009 with a wrong password answers -1" $?
  check "the plug-in's page was added and shown (1004 answered 6, 1000 a panel, 1007 6)" \
    "$(ok logged "$log" "addpage 6 panel 6")"
  sleep 1
  shoot added-page
  check "nothing is installed" "$(ok [ ! -e "$WINEPREFIX/drive_c/plugtest" ])"
  check "the wizard is still open" "$(ok kill -0 "$setup_pid")"
  stop_setup
}

# --- 5. path, exclude entry, host query, 1009 with the right password ----------------------------
run_external_install() {
  local log=$logs/install.log
  SAMPLE_PLUGIN_ACTIONS='path=C:\plugpath,exclude=skip.txt,query,install=right' \
    start_setup pkgB install.log -hideend
  local deadline=$((SECONDS + 120))
  while kill -0 "$setup_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.3; done
  kill -0 "$setup_pid" 2>/dev/null && { shoot install-failure; check "the external install ends" 1; stop_setup; return; }
  wait "$setup_pid"
  local rc=$?
  "$XVFB_WINESERVER" -w
  check "exit code 0 after the install the plug-in started (got $rc)" "$(ok [ "$rc" = 0 ])"
  check "1011 after 1010 gives the new path" "$(ok logged "$log" 'path C:\plugpath')"
  check "the host query's 1006 gives the same path" "$(ok logged "$log" 'query-path C:\plugpath')"
  check "1013: the exclude list took the entry" "$(ok logged "$log" 'exclude skip.txt')"
  check "1009 with the right password answers 0" "$(ok logged "$log" 'install 0')"
  check "the progress callback heard 100" "$(ok logged "$log" 'progress 100')"
  check "the step callback heard the extraction" "$(ok env LC_ALL=C grep -aq '^step .*note30.txt' "$log")"
  local app=$WINEPREFIX/drive_c/plugpath
  check "the payload is in the plug-in's path" "$(ok [ -f "$app/keep.txt" ] && [ -f "$app/note30.txt" ])"
  check "the excluded file is not extracted" "$(ok [ ! -e "$app/skip.txt" ])"
  check "1005 ends the install" "$(ok logged "$log" 'msg 1005 0 0')"
}

# --- 6. the uninstaller copy --------------------------------------------------------------------
run_uninstall() {
  local app=$WINEPREFIX/drive_c/plugpath log=$logs/uninstall.log
  [ -f "$app/uninst.exe" ] || { check "uninst.exe was written" 1; return; }
  (cd "$app" && SAMPLE_PLUGIN_LOG='C:\pluglogs\uninstall.log' SAMPLE_PLUGIN_VETO=2000 \
    "$XVFB_WINE" uninst.exe -hp >/dev/null 2>&1)
  local rc=$?
  "$XVFB_WINESERVER" -w
  check "uninst.exe -hp with 2000/1 vetoed ends (exit code $rc)" "$(ok [ "$rc" = 0 ])"
  check "the uninstaller-mode entries started: StartC, then StartStd 卸载用 (log: $(grep -a '^start' "$log" | tr -d '\r' | iconv -f GBK -t UTF-8 | tr '\n' ';'))" \
    "$(ok [ "$(grep -a '^start' "$log" | tr -d '\r')" = "$(gbk "start StartC 两者 34
start StartStd 卸载用 56")" ])"
  check "2000 1 then 2000 2 (got: $(msgs "$log" | tr '\n' ';'))" \
    "$(ok [ "$(msgs "$log")" = "msg 2000 1 0
msg 2000 2 0" ])"
  check "the engine skipped its removal: the files stay" "$(ok [ -f "$app/keep.txt" ])"
  (cd "$app" && SAMPLE_PLUGIN_LOG='C:\pluglogs\uninstall2.log' "$XVFB_WINE" uninst.exe -hp >/dev/null 2>&1)
  rc=$?
  "$XVFB_WINESERVER" -w
  check "without the veto the uninstall removes the files (exit code $rc)" \
    "$(ok [ "$rc" = 0 ] && [ ! -e "$app/keep.txt" ])"
}

export work logs artifacts results root build
xvfb_run run_jp
xvfb_run run_veto_next
xvfb_run run_veto_cancel
xvfb_run run_wrong_password
xvfb_run run_external_install
xvfb_run run_uninstall
finish
