#!/usr/bin/env bash
# Builds the `fuzz` preset and runs every fuzz_* target for a bounded time.
#   tests/fuzz/run-all.sh [seconds per target, default 30]
# FUZZ_BUILD_DIR overrides the build folder (default: the preset's build/fuzz); it is then
# configured by hand with the preset's settings. Each target keeps a corpus of its own under
# <build>/corpus/<target>, so later runs start from what earlier ones found; a crash leaves its
# input in <build>/crashes/; so does an input that runs longer than FUZZ_TIMEOUT seconds
# (default 10): a parser that hangs on package bytes is a finding too. Exits non-zero when any
# target crashes, hangs or fails to build.
set -u
seconds=${1:-30}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${FUZZ_BUILD_DIR:-}

if [ -z "$build" ]; then
  build=$root/build/fuzz
  (cd "$root" && cmake --preset fuzz >/dev/null) || exit 1
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DINSTALLER_FUZZ=ON >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target fuzz_all || exit 1

mkdir -p "$build/crashes"
status=0
found=0
for target in $(find "$build" -maxdepth 4 -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$target")
  found=1
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  # A target's words of the format and its seed inputs, when it has them
  # (tests/fuzz/<target>.dict, tests/fuzz/seeds/<target>/; the seeds are only read).
  extra=()
  [ -f "$root/tests/fuzz/$name.dict" ] && extra+=(-dict="$root/tests/fuzz/$name.dict")
  [ -d "$root/tests/fuzz/seeds/$name" ] && extra+=("$root/tests/fuzz/seeds/$name")
  echo "== $name (${seconds}s)"
  if "$target" "$corpus" "${extra[@]}" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" \
       -print_final_stats=0 \
       -artifact_prefix="$build/crashes/$name-" >"$build/$name.log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$build/$name.log" | tail -1
  else
    echo "!! $name failed; see $build/$name.log"
    tail -30 "$build/$name.log"
    status=1
  fi
done
if [ "$found" = 0 ]; then
  echo "no fuzz targets found under $build"
  exit 1
fi
exit $status
