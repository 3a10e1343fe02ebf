#!/usr/bin/env bash
# Screenshot harness for GUI checks under Wine on a virtual X display. Source it:
#
#   . tests/e2e/lib/xvfb.sh
#   xvfb_make_prefix "$dir/prefix"       # a Wine prefix whose CJK fonts render (below)
#   xvfb_run my_gui_steps                 # runs a command (or shell function) on a fresh Xvfb
#   ...inside it: start programs with "$XVFB_WINE" x.exe &, then xvfb_screenshot out.png
#   xvfb_end_prefix                       # ends every Wine process of the prefix
#
# or run it as a command:  tests/e2e/lib/xvfb.sh PREFIX COMMAND...  makes (or reuses) PREFIX
# with unmanaged windows (see xvfb_window_manager), runs COMMAND with WINEPREFIX=PREFIX (and WINE_TEST_PREFIX, which tests/win/wine-run.sh
# reads) on a virtual display, ends the prefix and returns COMMAND's exit code. That is how the window tests run under CTest with a display:
#   tests/e2e/lib/xvfb.sh build/winform-prefix ctest --test-dir build/winform -R wizard
#
# Why the steps: Wine finds no Chinese glyphs in the faces Windows programs ask for (SimSun,
# MS Shell Dlg, Tahoma...), so the prefix maps them to "WenQuanYi Zen Hei" (Debian
# fonts-wqy-zenhei). Wine's processes outlive the program that started them and keep
# xvfb-run's pipes open, so a prefix must be ended (wineserver -k) before xvfb-run returns.
# Needs: wine64 (wine32 for i686 programs), xvfb (xvfb-run), imagemagick (import), fonts-wqy-zenhei.

# XVFB_WINE starts the programs under test (set it to /usr/lib/wine/wine for i686 ones);
# prefixes are always made 64-bit, by the 64-bit loader, so that both builds run in them.
export XVFB_WINE=${XVFB_WINE:-/usr/lib/wine/wine64}
XVFB_WINE64=/usr/lib/wine/wine64
XVFB_WINESERVER=/usr/lib/wine/wineserver
[ -x "$XVFB_WINESERVER" ] || XVFB_WINESERVER=$(command -v wineserver)
XVFB_SCREEN=${XVFB_SCREEN:-1024x768x24}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# xvfb_make_prefix DIR [unmanaged]: makes DIR a Wine prefix (once; reused when it exists) with
# the font replacements, and exports WINEPREFIX=DIR. With "unmanaged" Wine hands no window to a
# window manager (below); without, it does.
xvfb_make_prefix() {
  mkdir -p "$1"
  export WINEPREFIX=$(cd "$1" && pwd)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$XVFB_WINE64" wineboot -i >/dev/null 2>&1
    "$XVFB_WINESERVER" -w
  fi
  # The Chinese face names a package's page texts name (宋体, 黑体, 楷体) are mapped too; the
  # registry file is UTF-16 so that regedit reads them whatever the prefix's code page. The
  # mark of a prefix that has them is the replacement of "KaiTi".
  if ! grep -qF '"KaiTi"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    local reg="$WINEPREFIX/font-replacements.reg" face
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
      for face in "SimSun" "NSimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif" \
                  "SimHei" "宋体" "黑体" "楷体" "KaiTi"; do
        printf '"%s"="WenQuanYi Zen Hei"\r\n' "$face"
      done
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    "$XVFB_WINE64" regedit /s "$reg" >/dev/null 2>&1
    "$XVFB_WINESERVER" -w
  fi
  xvfb_window_manager "${2:-managed}"
}
# xvfb_window_manager managed|unmanaged: whether $WINEPREFIX's windows go to a window manager.
# The bare X server has none, and Wine waits up to 2 s for one to confirm that a managed window
# is hidden: at every window's close (the window tests close many: with the wait, the ui, wizard and
# uninstall tests took 87 s, without it 21 s). An unmanaged window
# skips the wait, but Wine draws its caption and frame itself, inside the window's X window,
# which moves the client area (3 px right, 22 px down for a captioned window): the scripts that
# click at coordinates within an X window (xdotool --window) need managed windows. The value
# itself is the mark, so a prefix changes only when a run wants the other kind.
xvfb_window_manager() {
  local unmanaged=0
  grep -qF '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && unmanaged=1
  if [ "$1" = unmanaged ] && [ "$unmanaged" = 0 ]; then
    "$XVFB_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  elif [ "$1" != unmanaged ] && [ "$unmanaged" = 1 ]; then
    "$XVFB_WINE64" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
  else
    return 0
  fi
  "$XVFB_WINESERVER" -w
}
# xvfb_run COMMAND...: runs COMMAND (a program or a shell function of the caller) with
# DISPLAY set to a new virtual screen of $XVFB_SCREEN, then ends $WINEPREFIX's processes while
# the screen still exists; returns COMMAND's exit code. A wineserver keeps the display it was
# started with, so one left from an earlier run (with another display or none) is ended first.
xvfb_run() {
  xvfb_end_prefix
  # Shell functions do not cross into xvfb-run's child: hand them over by definition.
  local defs
  defs=$(declare -f)
  xvfb-run -a -s "-screen 0 $XVFB_SCREEN" bash -c "$defs"'
    . "$XVFB_LIB"; "$@"; rc=$?; xvfb_end_prefix; exit $rc' xvfb-inner "$@"
}
XVFB_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/xvfb.sh
export XVFB_LIB

# xvfb_screenshot FILE: the whole virtual screen as a PNG (inside xvfb_run).
xvfb_screenshot() {
  mkdir -p "$(dirname "$1")"
  import -window root "$1"
}

# xvfb_colours FILE: how many distinct colours the picture holds (a blank screen has 1).
xvfb_colours() { identify -format '%k' "$1"; }

# xvfb_end_prefix: ends every process of $WINEPREFIX and waits until they are gone.
xvfb_end_prefix() {
  [ -n "${WINEPREFIX:-}" ] || return 0  # never the user's default prefix
  "$XVFB_WINESERVER" -k 2>/dev/null
  "$XVFB_WINESERVER" -w 2>/dev/null
  return 0
}

# Run as a command: PREFIX COMMAND...
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  if [ $# -lt 2 ]; then
    echo "usage: $0 PREFIX COMMAND..." >&2
    exit 2
  fi
  # The window tests click nothing from outside, so they need no window manager's wait.
  xvfb_make_prefix "$1" unmanaged
  shift
  export WINE_TEST_PREFIX=$WINEPREFIX
  xvfb_run "$@"
fi
