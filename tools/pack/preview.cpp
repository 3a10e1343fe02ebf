#include "tools/pack/preview.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/pack/package_builder.h"

namespace fs = std::filesystem;

namespace {

// The driver: plain shell over xvfb-run, xdotool and ImageMagick, as the project's GUI tests
// drive the wizard. It runs itself again inside the virtual display with the argument "inner".
// UTF-8 (u8): the project's files are UTF-8, and narrow literals of this build are GBK.
const char8_t kDriver[] = u8R"DRIVER(#!/usr/bin/env bash
set -u
shot_window() {  # shot_window ID NAME: the window's client area as $OUT/NAME.png
  local info
  info=$(xdotool getwindowgeometry "$1") || return 1
  import -window root -crop "$(echo "$info" | sed -n 's/.*Geometry: //p')+$(echo "$info" |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1+\2/p')" +repage "$OUT/$2.png"
}
find_window() {  # find_window CLASS MINWIDTH: a visible top-level of that program
  local id geometry
  for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
    [ "${geometry%x*}" -ge "$2" ] 2>/dev/null && { echo "$id"; return 0; }
  done
  return 1
}
wait_for() {  # wait_for SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ "$SECONDS" -lt "$deadline" ] || return 1; sleep 0.3; done
}
ini_value() {  # ini_value KEY: the first value of KEY in the project's data.ini
  sed -n "s/^$1=\(.*\)$/\1/p" "$work/project/data.ini" | tr -d '\r' | head -1
}
next() { xdotool mousemove --window "$wizard" 360 312 click 1; }

inner() {
  local drive=$WINEPREFIX/drive_c
  (cd "$work/pkg" && exec "$WINE" setup.exe) >/dev/null 2>&1 &
  wizard=$(wait_for 90 find_window setup.exe 400 && find_window setup.exe 400) ||
    { echo "the wizard did not appear" >&2; return 1; }
  sleep 2
  shot_window "$wizard" welcome
  local pages=() page
  [ -s "$work/project/licence.txt" ] && pages+=(licence)
  [ "$(ini_value 选择组件可视)" = 真 ] && pages+=(components)
  [ "$(ini_value 浏览目录可视)" = 真 ] && pages+=(folder)
  for page in "${pages[@]}"; do
    next; sleep 2
    shot_window "$wizard" "$page"
    if [ "$page" = licence ] && [ "$(ini_value 同意条款k)" != 真 ]; then
      xdotool mousemove --window "$wizard" 26 267 click 1; sleep 0.5
    fi
  done
  next
  wait_for 90 test -f "$drive/preview-installing.txt" || { echo "the install did not start" >&2; return 1; }
  sleep 1.5
  shot_window "$wizard" installing
  wait_for 120 test -f "$drive/preview-unpacked.txt" || { echo "the install did not end" >&2; return 1; }
  sleep 2.5
  shot_window "$wizard" finish
  "$WINESERVER" -k; "$WINESERVER" -w

  # The uninstall window, started as a user would: uninst.exe from the install folder. A project
  # without an uninstaller has none of these pictures.
  local uninst
  uninst=$(find "$drive" -iname uninst.exe -newer "$work/pkg/setup.exe" 2>/dev/null | head -1)
  if [ -n "$uninst" ]; then
    (cd "$(dirname "$uninst")" && exec "$WINE" uninst.exe) >/dev/null 2>&1 &
    local window
    if window=$(wait_for 60 find_window uninst.exe 400 && find_window uninst.exe 400); then
      sleep 1.5
      shot_window "$window" uninstall-confirm
      xdotool mousemove --window "$window" 360 311 click 1
      if wait_for 60 test -f "$drive/preview-uninstalling.txt"; then
        sleep 1.5
        shot_window "$window" uninstall-progress
      fi
      wait_for 60 test ! -f "$drive/preview-uninstalling.txt"
      sleep 2.5
      shot_window "$window" uninstall-finish
    else
      echo "the uninstall window did not appear" >&2
    fi
    "$WINESERVER" -k; "$WINESERVER" -w
  fi

  mkdir -p "$work/unpack"
  (cd "$work/unpack" && exec "$WINE" "$DEMO" unpack) >/dev/null 2>&1 &
  wait_for 60 test -f "$work/unpack/unpack.ready" || { echo "the unpack window did not appear" >&2; return 1; }
  sleep 1
  local unpack
  unpack=$(find_window wizard_form_demo.exe 100) && shot_window "$unpack" unpack
  touch "$work/unpack/unpack.done"
  sleep 0.5
  "$WINESERVER" -k; "$WINESERVER" -w
}

if [ "${1:-}" = inner ]; then inner; exit $?; fi

work=$(mktemp -d)
trap '"$WINESERVER" -k 2>/dev/null; rm -rf "$work"' EXIT
export work
cp -r "$PROJECT" "$work/project"
# A pre-install command that waits keeps the installing page up; an after-unpack command marks
# the end of the extraction. Both only in the copy.
ini=$work/project/data.ini
count=$(sed -n '/^\[解压后运行的参数\]/,/^\[/s/^欲运行的次数=\([0-9]*\).*/\1/p' "$ini" | head -1)
if [ -z "$count" ]; then
  printf '\n[解压后运行的参数]\n欲运行的次数=0\n' >>"$ini"
  count=0
fi
a=$((count + 1)) b=$((count + 2))
entries="是否外部运行$a=真\n参数运行文件名$a=cmd /c echo x> C:\\\\preview-installing.txt \& ping -n 5 127.0.0.1 > nul\n是否隐藏窗口$a=真\n是否等待返回$a=真\n作用方案$a=安装前运行\n"
entries+="是否外部运行$b=真\n参数运行文件名$b=cmd /c echo x> C:\\\\preview-unpacked.txt\n是否隐藏窗口$b=真\n是否等待返回$b=真\n作用方案$b=解压后运行"
sed -i -e "/^\[解压后运行的参数\]/,/^\[/s/^欲运行的次数=[0-9]*/欲运行的次数=$b/" \
  -e "/^\[解压后运行的参数\]/a $entries" "$ini"
# The uninstall keeps its progress look up while a command of the copy waits; the marker goes
# when it ends.
if ! grep -q '^\[卸载时运行命令\]' "$ini"; then
  printf '\n[卸载时运行命令]\n欲运行的次数=0\n' >>"$ini"
fi
count=$(sed -n '/^\[卸载时运行命令\]/,/^\[/s/^欲运行的次数=\([0-9]*\).*/\1/p' "$ini" | head -1)
u=$((${count:-0} + 1))
entries="是否外部运行$u=真\n参数运行文件名$u=cmd /c echo x> C:\\\\preview-uninstalling.txt \& ping -n 4 127.0.0.1 > nul \& del C:\\\\preview-uninstalling.txt\n是否隐藏窗口$u=真\n是否等待返回$u=真"
sed -i -e "/^\[卸载时运行命令\]/,/^\[/s/^欲运行的次数=[0-9]*/欲运行的次数=$u/" \
  -e "/^\[卸载时运行命令\]/a $entries" "$ini"
"$SETUP_PACK" build "$work/project" -o "$work/pkg/setup.exe" --arch "$ARCH" --stub "$STUB" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; exit 1; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
"$WINE64" wineboot -i >/dev/null 2>&1; "$WINESERVER" -w
# Wine has no Chinese glyphs in the faces Windows programs ask for: map them to one it has.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in SimSun NSimSun "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Microsoft Sans Serif" SimHei KaiTi 宋体 黑体 楷体; do
    printf '"%s"="WenQuanYi Zen Hei"\r\n' "$face"
  done
} | iconv -f UTF-8 -t UTF-16 >"$work/fonts.reg"
"$WINE64" regedit /s "$work/fonts.reg" >/dev/null 2>&1; "$WINESERVER" -w
mkdir -p "$OUT"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" inner
)DRIVER";

bool Found(const std::string& tool) {
  return std::system(("command -v '" + tool + "' >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

int RunPreview(const PreviewOptions& options, std::string& error) {
  // Wine's loaders as Debian installs them, else whatever "wine" the PATH has.
  const std::string wine64 = fs::exists("/usr/lib/wine/wine64") ? "/usr/lib/wine/wine64" : "wine64";
  std::string wine = options.arch == "win32" ? "/usr/lib/wine/wine" : wine64;
  if (!fs::exists(wine)) wine = "wine";
  const std::string wineserver =
      fs::exists("/usr/lib/wine/wineserver") ? "/usr/lib/wine/wineserver" : "wineserver";
  std::string missing;
  for (const std::string& tool : {wine, wine64, wineserver, std::string("xvfb-run"),
                                  std::string("xdotool"), std::string("import"),
                                  std::string("convert"), std::string("iconv")})
    if (!Found(tool)) missing += (missing.empty() ? "" : ", ") + tool;
  if (!missing.empty()) {
    error = "preview needs Wine and a virtual X display (xvfb-run), xdotool and ImageMagick; "
            "not found: " + missing;
    return 1;
  }
  const std::string stub = options.stub.empty() ? DefaultStub(options.arch) : options.stub;
  const fs::path demo = fs::path(stub).parent_path() / "wizard" / "win32" / "wizard_form_demo.exe";
  if (!fs::exists(stub)) {
    error = "no setup.exe to pack with: " + stub;
    return 1;
  }
  if (!fs::exists(demo)) {
    error = "no unpack-window demo beside the stub: " + demo.string();
    return 1;
  }
  std::error_code ec;
  fs::create_directories(options.outputDir, ec);
  const fs::path out = fs::absolute(options.outputDir, ec);
  const fs::path driver = out / ".preview-driver.sh";
  {
    std::ofstream file(driver, std::ios::binary);
    file.write(reinterpret_cast<const char*>(kDriver), sizeof(kDriver) - 1);
    if (!file) {
      error = "cannot write " + driver.string();
      return 1;
    }
  }
  const std::string command =
      "PROJECT=" + Quoted(fs::absolute(options.projectDir, ec).string()) +
      " OUT=" + Quoted(out.string()) + " ARCH=" + Quoted(options.arch) +
      " STUB=" + Quoted(fs::absolute(stub, ec).string()) + " DEMO=" + Quoted(demo.string()) +
      " SETUP_PACK=" + Quoted(options.selfPath) + " WINE=" + Quoted(wine) +
      " WINE64=" + Quoted(wine64) + " WINESERVER=" + Quoted(wineserver) + " bash " +
      Quoted(driver.string());
  const int status = std::system(command.c_str());
  fs::remove(driver, ec);
  if (status != 0) {
    error = "the preview run failed (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status) + ")";
    return 1;
  }
  for (const char* page : {"welcome", "finish", "installing", "unpack"})
    if (!fs::exists(out / (std::string(page) + ".png"))) {
      error = std::string("no picture of the ") + page + " page was taken";
      return 1;
    }
  return 0;
}
