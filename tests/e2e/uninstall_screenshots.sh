#!/usr/bin/env bash
# The uninstall window under Xvfb, run by the real engine (uninstall_window_demo.exe over a
# small product it installs into the prefix's temp folder): screenshots of the confirmation
# page, the progress state (the engine waits on the record's uninstall command) and the
# finish page, kept as build/artifacts/<build>/uninstall-{confirm,progress,finish}.png; then
# "完成" ends the run with exit code 0 and the product's folder is gone.
# Usage: tests/e2e/uninstall_screenshots.sh [win32|win64]   (default win32); needs
#   cmake --build --preset <build> -j2 --target uninstall_window_demo
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
name=${1:-win32}
build=$root/build/$name
demo=$build/tests/uninstall_window_demo.exe
artifacts=$root/build/artifacts/$name
[ -f "$demo" ] || { echo "missing $demo" >&2; exit 2; }
. "$root/tests/win/wine-run.sh"
XVFB_WINE=$(wine_for "$demo")
. "$root/tests/e2e/lib/xvfb.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb_make_prefix "$build/screens-prefix"
mkdir -p "$artifacts"
rm -f "$artifacts"/uninstall-*.png

shoot() {  # inside xvfb_run: one screenshot per state, the demo's exit code in $work/rc
  cd "$work" || return 1
  ( "$XVFB_WINE" "$demo" >/dev/null 2>&1; echo $? > "$work/rc" ) &
  local state waited
  for state in confirm progress finish; do
    for ((waited = 0; waited < 600; waited++)); do
      [ -f "$state.ready" ] && break
      sleep 0.1
    done
    [ -f "$state.ready" ] || { echo "state $state never appeared" >&2; touch "$state.done"; continue; }
    sleep 0.7  # the last paint of the controls
    xvfb_screenshot "$artifacts/uninstall-$state.png" || return 1
    touch "$state.done"
  done
  wait
}
export work demo artifacts
xvfb_run shoot
rc=$(cat "$work/rc" 2>/dev/null || echo none)

source "$root/tests/e2e/lib/checks.sh"
check "完成 ended the engine with exit code 0 (got $rc)" $([ "$rc" = 0 ]; echo $?)
left=$(find "$WINEPREFIX/drive_c" -path '*卸载截图/截图演示' 2>/dev/null | head -1)
check "the product's folder is gone" $([ -z "$left" ]; echo $?)
for state in confirm progress finish; do
  shot=$artifacts/uninstall-$state.png
  colours=$( [ -f "$shot" ] && xvfb_colours "$shot" || echo 0)
  check "$state screenshot is not blank ($colours colours)" $([ "$colours" -gt 4 ]; echo $?)
done
for pair in "confirm progress" "progress finish"; do
  set -- $pair
  difference=$(compare -metric AE "$artifacts/uninstall-$1.png" "$artifacts/uninstall-$2.png" null: 2>&1)
  check "$1 and $2 differ ($difference pixels)" \
    $([ -f "$artifacts/uninstall-$1.png" ] && [ -f "$artifacts/uninstall-$2.png" ] &&
      [ "${difference%% *}" != 0 ]; echo $?)
done
echo "$passed passed, $failed failed; screenshots in $artifacts"
[ "$failed" = 0 ]
