#!/usr/bin/env bash
# Builds every preset and runs every test: native unit tests, the same under AddressSanitizer
# and UBSan, the Windows tests under Wine (x86_64), the end-to-end runs of setup.exe, and each
# fuzz target for a bounded time.
# Usage: scripts/test.sh [fuzz-seconds-per-target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-20}
jobs=$(nproc)

step() { printf '\n=== %s\n' "$*"; }

step "build: native, asan, win64, win32"
for preset in native asan win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

step "native unit tests"
ctest --preset native -j "$jobs"

step "unit tests under AddressSanitizer + UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs"

step "Windows tests under Wine (x86_64), on a virtual display so the window tests run too"
export WINE_TEST_PREFIX=${WINE_TEST_PREFIX:-$PWD/build/wineprefix}
tests/e2e/lib/xvfb.sh "$WINE_TEST_PREFIX" ctest --preset win64 -j 1

step "end to end: setup.exe under Wine"
bash tests/e2e/startup_e2e.sh
bash tests/e2e/install_e2e.sh      # silent installs: files, registry, shortcuts, commands, volumes, failures
bash tests/e2e/wizard_gui_e2e.sh   # the visible wizard under Xvfb: installing page, finish page, Next

if [ -x tests/fuzz/run-all.sh ] && [ "$fuzz_seconds" -gt 0 ]; then
  step "fuzz targets, $fuzz_seconds s each"
  tests/fuzz/run-all.sh "$fuzz_seconds"
fi
step "all tests passed"
