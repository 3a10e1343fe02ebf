#!/usr/bin/env bash
# End to end with a visible wizard: setup.exe -jp on a virtual X display, in a fresh Wine prefix
# whose Chinese fonts render (the harness tests/e2e/lib/xvfb.sh).
#
# The package is a small project written here: a pre-install and an after-unpack command each
# drop a marker file and then wait a few seconds, so the installing page stays up long enough
# to be photographed before and after the extraction; three finish options drop marker files:
# a ticked batch in the install folder (opened through the shell), an unticked one, and a
# ticked command line. The test checks that the wizard shows the installing page, that its bar
# and list fill, that the finish page follows, presses Next there (a click on the button), and
# then that only the ticked options ran and the exit code is 0. Screenshots of the wizard window
# go to build/artifacts/<build>/: jp-installing-start.png, jp-installing-done.png, jp-finish.png
# (jp-failure.png, the whole screen, when a wait ran out). Then the dressed demo, page by
# page (below).
#
# Needs build/native/setup-pack, build/<build>/setup.exe, xvfb-run, xdotool, imagemagick.
# Usage: tests/e2e/wizard_gui_e2e.sh [win32|win64]   (default win32, the specified target)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
. tests/e2e/lib/gui.sh
echo "wizard_gui_e2e: the $build build"
rm -f "$artifacts"/jp-*.png

finish() {
  gui_counts
  echo "$passed passed, $failed failed; screenshots in $artifacts"
  [ "$failed" = 0 ]
  exit $?
}
gui_require xdotool import xvfb-run build/native/setup-pack "build/$build/setup.exe" \
  "build/$build/probe/window_probe.exe"

# --- a fresh prefix with the CJK font replacements ----------------------------------------------
xvfb_make_prefix "$work/prefix"
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
次数=3
标题1=写下第一个标记
可视1=真
选中1=真
程序1=%InstallPath%\tools\finish1.bat
标题2=写下第二个标记
可视2=真
选中2=假
程序2=%InstallPath%\tools\finish2.bat
标题3=写下第三个标记
可视3=真
选中3=真
程序3=cmd /c echo finish> C:\marks\finish3.txt

[解压后运行的参数]
欲运行的次数=2
是否外部运行1=真
参数运行文件名1=cmd /c echo pre> C:\marks\pre.txt & ping -n 5 127.0.0.1
是否隐藏窗口1=真
是否等待返回1=真
作用方案1=安装前运行
是否外部运行2=真
参数运行文件名2=cmd /c echo post> C:\marks\post.txt & ping -n 5 127.0.0.1 > nul & echo done> C:\marks\post-done.txt
是否隐藏窗口2=真
是否等待返回2=真
作用方案2=解压后运行
EOF
# The variables the package expands: %ProgramFiles% in 安装位置, %InstallPath% in the options.
printf '[%%ProgramFiles%%]\r\n数据=\r\n[%%InstallPath%%]\r\n数据=\r\n' >"$project/variable.ini"
for n in 1 2; do
  printf '@echo off\r\necho finish> C:\\marks\\finish%s.txt\r\n' "$n" >"$project/payload/tools/finish$n.bat"
done
printf 'readme\r\n' >"$project/payload/readme.txt"
# A few MiB and a few files, so that the bar and the list have something to show.
head -c $((4 << 20)) /dev/urandom >"$project/payload/data.bin"
for i in $(seq 1 20); do printf 'file %s\r\n' "$i" >"$project/payload/tools/note$i.txt"; done
build/native/setup-pack build "$project" -o "$work/pkg/setup.exe" --arch "$build" --key 135 >"$work/pack.log" 2>&1
check "setup-pack builds the package" $?

# --- the run, on a virtual display --------------------------------------------------------------
wizard_window() {  # the id of the wizard's visible top-level window (the unpack window is smaller)
  local id geometry
  for id in $(xdotool search --onlyvisible --class "setup.exe" 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
    [ "${geometry%x*}" -ge 400 ] 2>/dev/null && { echo "$id"; return; }
  done
}
shoot() {  # shoot NAME: the wizard window, cropped (the whole screen when it is not found)
  local id info
  id=$(wizard_window)
  if [ -z "$id" ]; then xvfb_screenshot "$artifacts/$1.png"; return; fi
  info=$(xdotool getwindowgeometry "$id")
  import -window root -crop "$(echo "$info" | sed -n 's/.*Geometry: //p')+$(echo "$info" |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1+\2/p')" +repage "$artifacts/$1.png"
}
give_up() { shoot jp-failure; check "$1" 1; kill "$setup_pid" 2>/dev/null; return 1; }

run_wizard() {
  (cd "$work/pkg" && exec "$XVFB_WINE" setup.exe -jp "/D=C:\\guitest") >/dev/null 2>&1 &
  setup_pid=$!

  wait_for 90 test -f "$marks/pre.txt" || { give_up "the pre-install command runs"; return; }
  sleep 1.5
  local window
  window=$(wizard_window)
  check "the wizard is shown while the pre-install command waits" $([ -n "$window" ]; echo $?)
  [ -n "$window" ] || { give_up "the wizard window appears"; return; }
  shoot jp-installing-start

  wait_for 90 test -f "$marks/post.txt" ||
    { give_up "the payload is extracted and the after-unpack command runs"; return; }
  sleep 1.5
  shoot jp-installing-done
  check "the payload is in the install folder before the finish page" \
    $(cmp -s "$project/payload/data.bin" "$WINEPREFIX/drive_c/guitest/data.bin"; echo $?)

  wait_for 60 test -f "$marks/post-done.txt" || { give_up "the after-unpack command ends"; return; }
  sleep 2
  shoot jp-finish
  check "no finish option ran before Next" \
    $([ ! -e "$marks/finish1.txt" ] && [ ! -e "$marks/finish3.txt" ]; echo $?)
  check "setup.exe waits on the finish page" $(kill -0 "$setup_pid" 2>/dev/null; echo $?)

  # Next: 下一步_按钮 at (320, 301), 80 x 22, in client coordinates; with no window manager the X
  # window of a Wine top-level is its client area.
  window=$(wizard_window)
  xdotool mousemove --window "$window" 360 312 click 1
  local deadline=$((SECONDS + 30))
  while kill -0 "$setup_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
  kill -0 "$setup_pid" 2>/dev/null && { give_up "setup.exe ends after Next on the finish page"; return; }
  wait "$setup_pid"
  local rc=$?
  check "exit code 0 after Next on the finish page (got $rc)" $([ "$rc" = 0 ]; echo $?)
  "$XVFB_WINESERVER" -w
  check "the ticked finish option opened through the shell ran" $([ -f "$marks/finish1.txt" ]; echo $?)
  check "the unticked finish option did not run" $([ ! -e "$marks/finish2.txt" ]; echo $?)
  check "the ticked finish option started as a command line ran" $([ -f "$marks/finish3.txt" ]; echo $?)
}
# --- the dressed demo, page by page ---------------------------------------------------------------
# The demo project (examples/demo) walked through in the ordinary wizard: on every page the texts
# the windows hold, read back from another process (window_probe: WM_GETTEXT), must be the
# package's page texts without their markup and with the packer's names filled in; pixels of
# the skin pictures must lie where their boxes are (the JPEG welcome picture, the PNG header
# picture whose transparent corner shows the band's colour from "背景"), and the title lines
# must show in the markup's colour. Screenshots: demo-welcome.png ... demo-finish.png.
demo_text() {  # demo_text KEY: the demo's page text as the wizard shows it
  grep -m1 "^$1=" examples/demo/GUItext.ini | cut -d= -f2- | sed -e 's#<font[^/]*/>##' \
    -e 's/%ProductName%/演示软件/g' -e 's/%Version%/1.0.0/g'
}
probe() {  # the wizard's windows as window_probe reads them
  "$PROBE_WINE" "$root/build/$build/probe/window_probe.exe" 2>/dev/null | tr -d '\r'
}
probe_has() {  # probe_has FILE TEXT: a visible window of the wizard holds exactly TEXT
  # Through the environment: awk -v would turn the two characters \n into a line break.
  PROBE_TEXT=$2 awk -F'\t' '$6 == ENVIRON["PROBE_TEXT"] { found = 1 } END { exit !found }' "$1"
}
wait_page() {  # wait_page NAME TEXT: until TEXT is shown; then the probe and a screenshot
  local deadline=$((SECONDS + 60))
  until probe >"$work/probe-$1.txt" && probe_has "$work/probe-$1.txt" "$2"; do
    [ "$SECONDS" -lt "$deadline" ] && kill -0 "$setup_pid" 2>/dev/null || return 1
    sleep 0.5
  done
  sleep 0.5
  probe >"$work/probe-$1.txt"
  shoot "demo-$1"
}
check_texts() {  # check_texts PAGE KEY...: each key's text is on screen
  local key text
  for key in "${@:2}"; do
    text=$(demo_text "$key")
    probe_has "$work/probe-$1.txt" "$text"
    check "$1 page shows $key \"$text\"" $?
  done
}
rgb() {  # rgb NAME X Y: "R G B" of a screenshot's pixel
  convert "$artifacts/$1.png" -format '%[fx:round(255*p{'"$2,$3"'}.r)] %[fx:round(255*p{'"$2,$3"'}.g)] %[fx:round(255*p{'"$2,$3"'}.b)]' info: 2>/dev/null
}
near() {  # near "R G B" R G B: within 24 on each channel (JPEG and font smoothing)
  local a=($1)
  [ ${#a[@]} = 3 ] && [ $(( (a[0]-$2)*(a[0]-$2) < 576 && (a[1]-$3)*(a[1]-$3) < 576 && (a[2]-$4)*(a[2]-$4) < 576 )) = 1 ]
}
colour_pixels() {  # colour_pixels NAME WxH+X+Y HEX: pixels of exactly that colour in the area
  convert "$artifacts/$1.png" -crop "$2" +repage -fill black +opaque "$3" -fill white -opaque "$3" \
    -colorspace gray -format '%[fx:round(w*h*mean)]' info: 2>/dev/null || echo 0
}
click() { xdotool mousemove --window "$(wizard_window)" "$1" "$2" click 1; }

run_demo() {
  (cd "$work/demo" && exec "$XVFB_WINE" setup.exe) >/dev/null 2>&1 &
  setup_pid=$!
  wait_page welcome "$(demo_text 欢迎0)" || { give_up "the demo's welcome page appears"; return; }
  local caption
  caption=$(head -1 "$work/probe-welcome.txt" | cut -f6)
  check "the window caption is 窗口标题 \"$caption\"" $([ "$caption" = "$(demo_text 窗口标题)" ]; echo $?)
  check_texts welcome 欢迎0 欢迎1
  probe_has "$work/probe-welcome.txt" "下一步(&N)"
  check "Next has the caption of slot 2" $?
  # 图片框1 at (0, 0): the JPEG's yellow disc centred at (82, 90).
  near "$(rgb demo-welcome 82 90)" 255 210 63
  check "the welcome picture (JPEG) is on 图片框1 ($(rgb demo-welcome 82 90))" $?
  local dark=$(colour_pixels demo-welcome 304x44+180+12 '#00008B')
  check "the welcome title is drawn in its markup colour 9109504 ($dark pixels)" $([ "$dark" -gt 40 ]; echo $?)
  click 360 312

  wait_page licence "$(demo_text 协议0)" || { give_up "the licence page follows"; return; }
  check_texts licence 协议0 协议1 协议2 协议3 协议4
  # 图片框6 at (366, 2) over the band 外形框6: the PNG's red disc at (110, 26); its transparent
  # top-left shows the band's colour 16247773 (#DDEBF7).
  near "$(rgb demo-licence 476 28)" 232 70 42
  check "the header picture (PNG) is on 图片框6 ($(rgb demo-licence 476 28))" $?
  near "$(rgb demo-licence 368 4)" 221 235 247
  check "the PNG's transparent part shows the band colour ($(rgb demo-licence 368 4))" $?
  near "$(rgb demo-licence 250 4)" 221 235 247
  check "the header band has its 背景 colour ($(rgb demo-licence 250 4))" $?
  click 26 267   # 选择框_条款
  sleep 0.5
  click 360 312

  wait_page components "$(demo_text 组件0)" || { give_up "the components page follows"; return; }
  check_texts components 组件0 组件1 组件2 组件3 组件4
  click 360 312

  wait_page folder "$(demo_text 目录0)" || { give_up "the folder page follows"; return; }
  check_texts folder 目录0 目录1 目录2 目录3 目录4
  local needed free
  needed=$(awk -F'\t' '$6 ~ /^所需空间: / { print $6 }' "$work/probe-folder.txt")
  free=$(awk -F'\t' '$6 ~ /^可用空间: / { print $6 }' "$work/probe-folder.txt")
  check "the space labels are filled (\"$needed\", \"$free\")" \
    $([ -n "$needed" ] && [ -n "$free" ] && ! grep -q '%Default%' "$work/probe-folder.txt"; echo $?)
  # The space display moved the destination group to 171 and shows its panel at 241.
  local edit_top
  edit_top=$(awk -F'\t' '$1 == "Edit" { split($2, b, ","); print b[2] }' "$work/probe-folder.txt")
  check "the destination group moved up for the space display (edit box at top $edit_top)" \
    $([ "$edit_top" = 195 ]; echo $?)
  click 360 312

  wait_page finish "$(demo_text 完成0)" || { give_up "the finish page follows the install"; return; }
  check_texts finish 完成0 完成1
  near "$(rgb demo-finish 82 90)" 255 210 63
  check "the welcome picture is on 图片框4 of the finish page too" $?
  probe_has "$work/probe-finish.txt" "完成(&F)"
  check "Next has the finish caption" $?
  click 360 312
  local deadline=$((SECONDS + 30))
  while kill -0 "$setup_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
  kill -0 "$setup_pid" 2>/dev/null && { give_up "the demo ends after Finish"; return; }
  wait "$setup_pid"
  local rc=$?
  check "the demo's wizard install ends with exit code 0 (got $rc)" $([ "$rc" = 0 ]; echo $?)
}

PROBE_WINE=$(wine_for "build/$build/probe/window_probe.exe")
rm -f "$artifacts"/demo-*.png
build/native/setup-pack build examples/demo -o "$work/demo/setup.exe" --arch "$build" >"$work/demo-pack.log" 2>&1
check "setup-pack builds the demo" $?
export work marks project artifacts results root build PROBE_WINE
xvfb_run run_wizard
xvfb_run run_demo

# --- setup-pack preview of the demo --------------------------------------------------------------
# One picture per page and of the unpack window, kept in build/artifacts/<build>/preview/.
preview=$artifacts/preview
rm -rf "$preview"
build/native/setup-pack preview examples/demo -o "$preview" --arch "$build" >"$work/preview.log" 2>&1
check "setup-pack preview runs ($(tail -1 "$work/preview.log"))" $?
for page in welcome licence components folder installing finish unpack \
            uninstall-confirm uninstall-progress uninstall-finish; do
  colours=$( [ -f "$preview/$page.png" ] && xvfb_colours "$preview/$page.png" || echo 0)
  check "preview $page.png is a picture ($colours colours)" $([ "$colours" -gt 4 ]; echo $?)
done
differ=$(compare -metric AE "$preview/welcome.png" "$preview/finish.png" null: 2>&1 | cut -d' ' -f1)
check "preview pages differ (welcome against finish: $differ pixels)" $([ "${differ%.*}" -gt 1000 ] 2>/dev/null; echo $?)
differ=$(compare -metric AE "$preview/uninstall-confirm.png" "$preview/uninstall-finish.png" null: 2>&1 | cut -d' ' -f1)
check "preview uninstall pages differ (confirm against finish: $differ pixels)" $([ "${differ%.*}" -gt 1000 ] 2>/dev/null; echo $?)

# --- what the pictures show ---------------------------------------------------------------------
# Client coordinates from the window table: the header band at (0, 0) 500 x 57, 进度条1 at
# (22, 84) 450 x 18, 超级列表框 at (22, 110) 450 x 160, on the page body at the container's origin.
pixel() {  # pixel NAME X Y: the colour of one pixel of a screenshot
  convert "$artifacts/$1.png" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null
}
dark_pixels() {  # dark_pixels NAME: pixels of the list's rows darker than mid-grey (the text)
  convert "$artifacts/$1.png" -crop 440x150+27+115 +repage -colorspace gray -threshold 50% \
    -format '%[fx:round(w*h*(1-mean))]' info: 2>/dev/null || echo 0
}
if [ -f "$artifacts/jp-installing-start.png" ] && [ -f "$artifacts/jp-installing-done.png" ]; then
  for shot in jp-installing-start jp-installing-done; do
    convert "$artifacts/$shot.png" -crop 360x57+0+0 +repage "$work/header-$shot.png"
  done
  header=$(compare -metric AE "$work/header-jp-installing-start.png" \
    "$work/header-jp-installing-done.png" null: 2>&1)
  check "the wizard opens on the installing page (its header as after the extraction: $header pixels differ)" \
    $([ "$header" = 0 ]; echo $?)
  bar_start=$(pixel jp-installing-start 27 93) bar_end_start=$(pixel jp-installing-start 467 93)
  bar=$(pixel jp-installing-done 27 93) bar_end=$(pixel jp-installing-done 467 93)
  check "the bar is empty before the extraction ($bar_start .. $bar_end_start)" \
    $([ -n "$bar_start" ] && [ "$bar_start" = "$bar_end_start" ]; echo $?)
  check "the bar is full after it ($bar .. $bar_end)" \
    $([ -n "$bar" ] && [ "$bar" = "$bar_end" ] && [ "$bar" != "$bar_start" ]; echo $?)
  rows_start=$(dark_pixels jp-installing-start) rows=$(dark_pixels jp-installing-done)
  check "the list fills (text pixels: $rows_start before, $rows after the extraction)" \
    $([ "$rows" -gt $((rows_start + 1000)) ]; echo $?)
  if [ -f "$artifacts/jp-finish.png" ]; then
    finish_bar=$(pixel jp-finish 27 93)
    check "the finish page replaces the installing page (no bar at its place: $finish_bar)" \
      $([ -n "$finish_bar" ] && [ "$finish_bar" != "$bar" ]; echo $?)
  fi
fi
finish
