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
# Targets run side by side, one per processor (FUZZ_JOBS overrides): each is one process on one
# core, so a target gets the same time as alone and the whole run takes a fraction of it.
jobs=${FUZZ_JOBS:-$(nproc)}

fuzz_one() {  # fuzz_one TARGET: runs it, leaves its summary in <build>/<name>.result
  local target=$1 name corpus
  name=$(basename "$target")
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  # A target's words of the format and its seed inputs, when it has them
  # (tests/fuzz/<target>.dict, tests/fuzz/seeds/<target>/; the seeds are only read).
  local extra=()
  [ -f "$root/tests/fuzz/$name.dict" ] && extra+=(-dict="$root/tests/fuzz/$name.dict")
  [ -d "$root/tests/fuzz/seeds/$name" ] && extra+=("$root/tests/fuzz/seeds/$name")
  if "$target" "$corpus" "${extra[@]}" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" \
       -print_final_stats=0 \
       -artifact_prefix="$build/crashes/$name-" >"$build/$name.log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$build/$name.log" | tail -1 >"$build/$name.result"
  else
    echo "failed" >"$build/$name.result"
  fi
}

targets=$(find "$build" -maxdepth 4 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ -z "$targets" ]; then
  echo "no fuzz targets found under $build"
  exit 1
fi
running=0
for target in $targets; do
  rm -f "$build/$(basename "$target").result"
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
wait

status=0
for target in $targets; do
  name=$(basename "$target")
  echo "== $name (${seconds}s)"
  if [ "$(cat "$build/$name.result" 2>/dev/null)" = failed ] || [ ! -f "$build/$name.result" ]; then
    echo "!! $name failed; see $build/$name.log"
    tail -30 "$build/$name.log"
    status=1
  else
    cat "$build/$name.result"
  fi
done
exit $status
