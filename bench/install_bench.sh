#!/usr/bin/env bash
# Install benchmark: a silent install of a 200 MiB payload against extracting the same 7z with
# the archiver front end, both under Wine (x86_64) in one private prefix, in the same run.
#
# Usage: bench/install_bench.sh [runs, default 3]
#   Needs build/native/setup-pack, build/win64/setup.exe and build/win64/archiver-cli.exe.
#   Everything it makes is cached under build/bench/ (BENCH_DIR overrides):
#     payload    100 MiB of random bytes from a fixed seed (4 files) and 100 MiB of text
#                (100 files), made once
#     package    setup.exe packed by setup-pack (LZMA2), made again when the stub is newer;
#                payload.7z is the payload block cut out of it, so both sides read one archive
#     prefix     the Wine prefix, made once
#   Then, alternately, `runs` times each:
#     (a) reference  archiver-cli.exe "x payload.7z ... dest\ *" into a fresh folder
#     (b) install    setup.exe -hp /D=<fresh folder>
#   Each run is checked (every payload file byte-identical in its folder); the script exits
#   non-zero only when a run fails. It prints the medians, the install overhead (b)/(a) - 1
#   (goal at most 15 %) and the peak memory of the setup.exe process (VmHWM of every process
#   whose command line holds setup.exe, sampled every 50 ms) against the goal "dictionary size
#   of the payload archive + 48 MiB". The overhead is given on wall-clock time (the goal's
#   measure; Wine's own start-up is in both) and on CPU time (user + system of the Wine
#   process), which other work on a shared machine disturbs less.
#   There is no assertion on time; this is not part of scripts/test.sh (it takes minutes).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-3}
bench=${BENCH_DIR:-$root/build/bench}
pack=$root/build/native/setup-pack
stub=$root/build/win64/setup.exe
cli=$root/build/win64/archiver-cli.exe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$bench/wineprefix

die() { echo "install_bench: $*" >&2; exit 1; }
for f in "$pack" "$stub" "$cli" "$wine" /usr/bin/7zz; do [ -x "$f" ] || die "missing $f"; done
mkdir -p "$bench"

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
now() { date +%s.%N; }

# --- payload (fixed seeds: the same bytes on every machine) -----------------------------------
project=$bench/project
payload=$project/payload
payload_stamp=$bench/payload.v1
if [ ! -f "$payload_stamp" ]; then
  echo "making the payload (200 MiB) ..."
  rm -rf "$project"
  mkdir -p "$payload/data" "$payload/text"
  openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f \
      -iv 00000000000000000000000000000000 -in /dev/zero 2>/dev/null |
    head -c $((100 << 20)) | split -b $((25 << 20)) -d -a 1 --additional-suffix=.bin - \
      "$payload/data/blob"
  # Text: lines of words from a pseudo-random vocabulary, compressible like source or logs.
  awk 'BEGIN {
         srand(20261210);
         for (w = 0; w < 4000; w++) {
           n = 3 + int(rand() * 8); s = "";
           for (c = 0; c < n; c++) s = s sprintf("%c", 97 + int(rand() * 26));
           vocab[w] = s;
         }
         total = 100 * 1048576; written = 0; line = 0;
         while (written < total) {
           n = 4 + int(rand() * 12); s = sprintf("%06d", line++);
           for (k = 0; k < n; k++) s = s " " vocab[int(rand() * rand() * 4000)];
           if (rand() < 0.2) s = s " = " int(rand() * 100000) ";";
           print s; written += length(s) + 1;
         }
       }' | head -c $((100 << 20)) |
    split -b $((1 << 20)) -d -a 3 --additional-suffix=.txt - "$payload/text/part"
  # The generators end on SIGPIPE once head has its bytes, so the result is checked instead.
  [ "$(du -sb "$payload" | cut -f1)" -ge $((200 << 20)) ] || die "making the payload failed"
  touch "$payload_stamp"
fi
payload_files=$(find "$payload" -type f | wc -l)
payload_bytes=$(find "$payload" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')

cat >"$project/data.ini" <<'EOF'
[Mokta软件安装配置]
Mokta软件名称=安装基准
软件版本=1.0.0
公司名称=基准测试
安装位置=%ProgramFiles%\安装基准
是否生成卸载程序=真
卸载模式=正常卸载
安装模式=正常安装
安装后是否显示完成界面=假
基本组件勾选=真

[安装包命令行]
p=/D=
hp=-hp
EOF

# --- package ----------------------------------------------------------------------------------
pkg=$bench/package
setup=$pkg/setup.exe
archive=$pkg/payload.7z
if [ ! -f "$setup" ] || [ "$stub" -nt "$setup" ] || [ "$pack" -nt "$setup" ] ||
   [ "$payload_stamp" -nt "$setup" ] || [ ! -f "$archive" ]; then
  echo "packing with setup-pack (LZMA2) ..."
  rm -rf "$pkg"
  mkdir -p "$pkg"
  start=$(now)
  "$pack" build "$project" -o "$setup" --key 246 >"$bench/pack.log" 2>&1 ||
    { cat "$bench/pack.log" >&2; die "setup-pack build failed"; }
  echo "  packed in $(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }') s"
  # Cut the payload block's content out of the setup file: the reference reads the same 7z.
  read -r at size < <("$pack" inspect "$setup" 2>/dev/null |
    sed -n 's/^ *payload archive: block at [0-9]*, content at \([0-9]*\), \([0-9]*\) bytes.*/\1 \2/p')
  [ -n "${at:-}" ] || die "no payload block in $setup"
  tail -c +$((at + 1)) "$setup" | head -c "$size" >"$archive"
  7zz t "$archive" >/dev/null || die "the payload block is not a valid 7z"
fi

# Dictionary size: the largest LZMA/LZMA2 dictionary named in the archive's methods.
dict_bytes=$(7zz l -slt "$archive" | sed -n 's/^Method = //p' | tr ' ' '\n' |
  awk -F: '/^LZMA2?:/ {
             v = $2; m = 1;
             if (v ~ /[kK]$/) { m = 1024; sub(/[kK]$/, "", v) }
             else if (v ~ /[mM]$/) { m = 1048576; sub(/[mM]$/, "", v) }
             else if (v ~ /[gG]$/) { m = 1073741824; sub(/[gG]$/, "", v) }
             else if (v ~ /^[0-9]+$/ && v + 0 <= 40) { v = 2 ^ v }
             d = v * m; if (d > best) best = d
           } END { printf "%d", best }')
[ "${dict_bytes:-0}" -gt 0 ] || die "no LZMA dictionary size in $archive"

# --- Wine prefix ------------------------------------------------------------------------------
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "making the Wine prefix ..."
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wineserver" -w
fi
"$wineserver" -p                      # a persistent server: its start-up is in no timing
trap '"$wineserver" -k 2>/dev/null' EXIT
"$wine" cmd /c exit >/dev/null 2>&1   # warm Wine itself up before the first timed run
drive_c=$WINEPREFIX/drive_c
work=$drive_c/bench

# --- measurement ------------------------------------------------------------------------------
# peak_sampler PATTERN OUT STOP: every 50 ms, the largest VmHWM (KiB) of any process whose
# command line matches PATTERN, written to OUT when STOP appears.
peak_sampler() {
  local pattern=$1 out=$2 stop=$3 peak=0 f pid hwm
  while [ ! -e "$stop" ]; do
    for f in $(grep -l -a -e "$pattern" /proc/[0-9]*/cmdline 2>/dev/null); do
      pid=${f#/proc/}; pid=${pid%/cmdline}
      hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
      [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm
    done
    sleep 0.05
  done
  echo "$peak" >"$out"
}

# verify DEST: every payload file present and byte-identical under DEST.
verify() {
  local dest=$1 missing
  missing=$(diff -rq "$payload" "$dest" 2>&1 | grep -v "^Only in $dest" | head -3)
  [ -z "$missing" ] || { echo "$missing" >&2; return 1; }
}

# timed KIND N: one run; prints "wall-seconds cpu-seconds peak-KiB". The CPU time (user +
# system of the Wine process) is the steadier figure on a machine shared with other work.
timed() {
  local kind=$1 n=$2 dest rc pattern
  dest=$work/$kind-$n
  rm -rf "$work"
  mkdir -p "$work"
  sync
  local stop=$bench/sampler.stop out=$bench/sampler.out
  rm -f "$stop" "$out"
  if [ "$kind" = reference ]; then pattern='[a]rchiver-cli\.exe'; else pattern='[s]etup\.exe'; fi
  peak_sampler "$pattern" "$out" "$stop" &
  local sampler=$!
  local TIMEFORMAT='%R %U %S' times=$bench/times.out
  if [ "$kind" = reference ]; then
    { time "$wine" "$(winpath "$cli")" \
      "x  \"$(winpath "$archive")\" -hide -y \"C:\\bench\\$kind-$n\\\" *" >/dev/null 2>&1; } 2>"$times"
    rc=$?
  else
    cd "$pkg" || return 1  # timed runs in a subshell of its own: the change stays there
    { time "$wine" setup.exe -hp "/D=C:\\bench\\$kind-$n" >/dev/null 2>&1; } 2>"$times"
    rc=$?
  fi
  touch "$stop"
  wait "$sampler"
  [ "$rc" = 0 ] || { echo "run $n of $kind: exit code $rc" >&2; return 1; }
  verify "$dest" || { echo "run $n of $kind: the payload is not in $dest" >&2; return 1; }
  awk -v p="$(cat "$out")" '{ printf "%.3f %.3f %d\n", $1, $2 + $3, p }' "$times"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

printf '\npayload: %d files, %.1f MiB (half random, half text); archive %.1f MiB, dictionary %d MiB\n' \
  "$payload_files" "$(awk -v b="$payload_bytes" 'BEGIN { print b / 1048576 }')" \
  "$(awk -v b="$(stat -c %s "$archive")" 'BEGIN { print b / 1048576 }')" $((dict_bytes >> 20))
printf '%-6s %36s %36s\n' run "(a) archiver-cli.exe x" "(b) setup.exe -hp"
printf '%-6s %12s %10s %12s %12s %10s %12s\n' "" wall cpu peak wall cpu peak
row() { printf '%-6s %10.2f s %8.2f s %8s MiB %10.2f s %8.2f s %8s MiB\n' "$1" "$2" "$3" "$(mib "$4")" "$5" "$6" "$(mib "$7")"; }
ref_wall=() ref_cpu=() ref_peaks=() inst_wall=() inst_cpu=() inst_peaks=()
for n in $(seq 1 "$runs"); do
  rw="" iw=""
  read -r rw rcpu rp < <(timed reference "$n")
  [ -n "$rw" ] || exit 1
  read -r iw ic ip < <(timed install "$n")
  [ -n "$iw" ] || exit 1
  row "$n" "$rw" "$rcpu" "$rp" "$iw" "$ic" "$ip"
  ref_wall+=("$rw") ref_cpu+=("$rcpu") ref_peaks+=("$rp")
  inst_wall+=("$iw") inst_cpu+=("$ic") inst_peaks+=("$ip")
done
rm -rf "$work"

med() { printf '%s\n' "$@" | median; }
top() { printf '%s\n' "$@" | sort -n | tail -1; }
ref=$(med "${ref_wall[@]}") inst=$(med "${inst_wall[@]}")
ref_c=$(med "${ref_cpu[@]}") inst_c=$(med "${inst_cpu[@]}")
peak=$(top "${inst_peaks[@]}")
row median "$ref" "$ref_c" "$(top "${ref_peaks[@]}")" "$inst" "$inst_c" "$peak"
goal_kib=$(((dict_bytes >> 10) + 48 * 1024))
echo "(peak: the largest of the runs)"
awk -v a="$ref" -v b="$inst" -v ac="$ref_c" -v bc="$inst_c" 'BEGIN {
  printf "install overhead (b)/(a) - 1: %+.1f %% wall clock (goal at most +15 %%), %+.1f %% CPU time\n",
         (b / a - 1) * 100, (bc / ac - 1) * 100 }'
awk -v p="$peak" -v g="$goal_kib" -v d=$((dict_bytes >> 20)) 'BEGIN {
  printf "peak memory of setup.exe: %.1f MiB, %.2f of the goal %.0f MiB (dictionary %d MiB + 48 MiB)\n",
         p / 1024, p / g, g / 1024, d }'
