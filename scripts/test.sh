#!/usr/bin/env bash
# Builds every preset and runs every test: native unit tests, the same under AddressSanitizer
# and UBSan, the Windows tests under Wine and the end-to-end runs of setup.exe (each for both
# Windows builds: i686, the specified target, and x86_64), and each fuzz target for a bounded
# time.
# Usage: scripts/test.sh [fuzz-seconds-per-target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-20}
jobs=$(nproc)

step() { printf '\n=== %s  (%dm%02ds in)\n' "$*" $((SECONDS / 60)) $((SECONDS % 60)); }

export WINE_TEST_PREFIX=${WINE_TEST_PREFIX:-$PWD/build/wineprefix}
. tests/win/wine-run.sh
builds=$(runnable_builds)

step "build: native, asan, win64, win32"
for preset in native asan win64 win32; do
  cmake --preset "$preset" >/dev/null
  if [ "$preset" = win32 ] && [[ " $builds " != *" win32 "* ]]; then
    # Its tests could not run here: only what ships is built (and its imports are checked).
    cmake --build --preset "$preset" -j "$jobs" --target setup uninst sevenzip32 sample_plugin
    continue
  fi
  cmake --build --preset "$preset" -j "$jobs"
done

step "native unit tests"
ctest --preset native -j "$jobs"

step "unit tests under AddressSanitizer + UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"

# One 64-bit prefix serves both builds: the i686 programs run in it as on 64-bit Windows.
if [ "$builds" != "win32 win64" ]; then
  cat <<'NOTE'

!!! SKIPPED: every run of the i686 build (its Windows tests and end-to-end runs). This machine
!!! cannot execute 32-bit programs (Wine's i686 loader fails with "Exec format error": the
!!! kernel runs no IA-32 code). The i686 build is still built and its import tables are checked.
NOTE
fi
for build in $builds; do
  step "Windows tests under Wine ($build), on a virtual display so the window tests run too"
  tests/e2e/lib/xvfb.sh "$WINE_TEST_PREFIX" ctest --preset "$build" -j 1
done

for build in $builds; do
  step "end to end: the $build setup.exe under Wine"
  bash tests/e2e/startup_e2e.sh "$build"
  bash tests/e2e/install_e2e.sh "$build"     # silent installs: files, registry, shortcuts, commands, volumes, failures
  bash tests/e2e/rollback_e2e.sh "$build"    # failed, cancelled and blocked installs undone: full drive, damaged reinstall, file in use, Cancel
  bash tests/e2e/wizard_gui_e2e.sh "$build"  # the visible wizard under Xvfb: installing page, finish page, Next
  bash tests/e2e/uninstall_engine_e2e.sh "$build"  # the engine copy: silent removal, what stays
  bash tests/e2e/uninstall_screenshots.sh "$build" # the uninstall window: confirm, progress, finish
  bash tests/e2e/uninstall_e2e.sh "$build"         # the round trip: install, QuietUninstallString, nothing left
  bash tests/e2e/plugin_e2e.sh "$build"            # the sample plug-in: messages, vetoes, spare label, uninstaller
  bash tests/check_imports.sh "$build"       # load-time imports: KnownDLLs only
  bash tests/e2e/planted_dll_e2e.sh "$build" # DLLs and programs named like system ones beside setup.exe
done

case " $builds " in
  *" win32 "*) ;;
  *) step "the i686 build, not runnable here: its load-time imports"
     bash tests/check_imports.sh win32 ;;
esac

if [ -x tests/fuzz/run-all.sh ] && [ "$fuzz_seconds" -gt 0 ]; then
  step "fuzz targets, $fuzz_seconds s each"
  tests/fuzz/run-all.sh "$fuzz_seconds"
fi
step "all tests passed"
