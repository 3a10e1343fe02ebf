# The opening that the e2e scripts on a virtual display share, sourced from the repository root
# with `build` (win32 or win64) set: the Wine that runs that build, the Xvfb harness, a work
# folder removed at exit (with the prefix), build/artifacts/<build>/, and a results file that
# `check` also appends to from the virtual display's shell (where counters would not come back).
# The script defines `finish` (it prints the counts from `gui_counts` and exits) before it calls
# `gui_require`.
. tests/win/wine-run.sh
XVFB_WINE=$(wine_for "build/$build/setup.exe")
. tests/e2e/lib/xvfb.sh
artifacts=$root/build/artifacts/$build
work=$(mktemp -d)
trap 'xvfb_end_prefix; rm -rf "$work"' EXIT
mkdir -p "$artifacts"
results=$work/results
: >"$results"

check() {  # check NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fi | tee -a "$results"
}
gui_counts() {  # sets passed and failed from the results file
  passed=$(grep -c '^ok' "$results") failed=$(grep -c '^FAIL' "$results")
}
wait_for() {  # wait_for SECONDS TEST...: polls TEST every 0.2 s while setup.exe runs (pid in setup_pid)
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    kill -0 "$setup_pid" 2>/dev/null || { "$@"; return; }
    sleep 0.2
  done
}
gui_require() {  # gui_require TOOL-OR-FILE...: a missing one fails the run at once
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || [ -f "$tool" ] || { check "missing $tool" 1; finish; }
  done
}
