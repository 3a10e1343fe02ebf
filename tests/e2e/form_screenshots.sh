#!/usr/bin/env bash
# Proves the screenshot harness (lib/xvfb.sh) on the real wizard window: wizard_form_demo.exe
# shows the installing page (status text, bar at 40, three list rows) and the finish page (two
# option boxes); each is saved as a PNG under build/artifacts/ and must not be blank, and the
# two must differ. Needs a Windows build of the demo (either bitness; Wine's loader follows it):
#   cmake --build --preset win32 -j2 --target wizard_form_demo
# Usage: tests/e2e/form_screenshots.sh [BUILD_DIR]   (default build/win32); the screenshots go
# to build/artifacts/<build folder name>/.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
demo=$build/wizard/win32/wizard_form_demo.exe
artifacts=$root/build/artifacts/$(basename "$build")
[ -f "$demo" ] || { echo "missing $demo" >&2; exit 2; }
. "$root/tests/win/wine-run.sh"
XVFB_WINE=$(wine_for "$demo")
. "$root/tests/e2e/lib/xvfb.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb_make_prefix "$build/screens-prefix"
mkdir -p "$artifacts"

shoot() {  # runs the demo and takes one screenshot per page; inside xvfb_run
  cd "$work" || return 1
  "$XVFB_WINE" "$demo" >/dev/null 2>&1 &
  local page waited
  for page in 4 5; do
    for ((waited = 0; waited < 600; waited++)); do
      [ -f "page$page.ready" ] && break
      sleep 0.1
    done
    [ -f "page$page.ready" ] || { echo "page $page never appeared" >&2; return 1; }
    sleep 0.5  # the last paint of the controls
    xvfb_screenshot "$artifacts/wizard-page$page.png" || return 1
    touch "page$page.done"
  done
  wait
}
export work demo artifacts
xvfb_run shoot
rc=$?

source "$root/tests/e2e/lib/checks.sh"
check "the demo ran through both pages (exit $rc)" $([ $rc = 0 ]; echo $?)
for page in 4 5; do
  shot=$artifacts/wizard-page$page.png
  colours=$( [ -f "$shot" ] && xvfb_colours "$shot" || echo 0)
  check "page $page screenshot is not blank ($colours colours)" $([ "$colours" -gt 4 ]; echo $?)
done
difference=$(compare -metric AE "$artifacts/wizard-page4.png" "$artifacts/wizard-page5.png" null: 2>&1)
check "the two pages differ ($difference pixels)" $([ "${difference%% *}" != 0 ] 2>/dev/null; echo $?)
echo "$passed passed, $failed failed; screenshots in $artifacts"
[ "$failed" = 0 ]
