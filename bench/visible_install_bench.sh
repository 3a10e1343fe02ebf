#!/usr/bin/env bash
# Visible install and uninstall benchmark: for projects of many small text files, the wall clock
# of a silent install (setup.exe -hp) and of a visible one (setup.exe -jp, the wizard on its
# installing page), then of the product's silent uninstall (the installed uninst.exe -hp) and of
# its visible one (uninst.exe -jp -hideend: the uninstall window's progress state, ending by
# itself), all under Wine on one virtual X display, for the win64 and the win32 build, in one
# run; then the ratios -jp / -hp (goal at most 1.2 for both).
#
# Usage: bench/visible_install_bench.sh [runs, default 1]
#   SIZES="2000 20000" the file counts (default); BUILDS="win64 win32" the builds (default);
#   MODES="-hp -jp un-hp un-jp" the runs (default; "-hp -jp" for the installs alone).
#   STUB_DIR=dir       takes dir/<build>/setup.exe instead of build/<build>/setup.exe (to time
#                      another build of the stub, e.g. an older one, against the same packages).
#   Needs build/native/setup-pack, build/<build>/setup.exe, xvfb-run and Wine (wine32 for win32).
#   Everything it makes is cached under build/bench-visible/ (BENCH_DIR overrides): the
#   projects (N files of 200-odd bytes of text, made once), the packages (packed again when the
#   stub or the packer is newer) and a Wine prefix. The install folder is removed and made
#   afresh before every install, and every run is checked (exit code 0, N files in the folder
#   after an install; the folder gone after an uninstall). Each uninstall removes a product
#   that a silent install (not timed) has just put there.
#   Time is never asserted; this is not part of any test suite.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-1}
sizes=${SIZES:-2000 20000}
builds=${BUILDS:-win64 win32}
modes=${MODES:--hp -jp un-hp un-jp}
stubs=${STUB_DIR:-$root/build}
bench=${BENCH_DIR:-$root/build/bench-visible}
pack=$root/build/native/setup-pack
. tests/e2e/lib/xvfb.sh

die() { echo "visible_install_bench: $*" >&2; exit 1; }
[ -x "$pack" ] || die "missing $pack"
for b in $builds; do [ -f "$stubs/$b/setup.exe" ] || die "missing $stubs/$b/setup.exe"; done
command -v xvfb-run >/dev/null || die "missing xvfb-run"
mkdir -p "$bench"

# --- projects: N small text files in 100 folders ------------------------------------------------
for n in $sizes; do
  project=$bench/project-$n
  # v2: the product has an uninstaller and the record knows the -hideend switch.
  if [ ! -f "$project.v2.done" ]; then
    echo "making the project of $n files ..."
    rm -rf "$project"
    mkdir -p "$project/payload"
    awk -v n="$n" -v dir="$project/payload" 'BEGIN {
      for (i = 0; i < n; i++) {
        d = sprintf("%s/d%02d", dir, i % 100);
        if (i < 100) system("mkdir -p " d);
        f = sprintf("%s/file%05d.txt", d, i);
        for (k = 0; k < 4; k++) printf "line %d of file %d: some words for the file\r\n", k, i > f;
        close(f);
      }
    }'
    cat >"$project/data.ini" <<'INI'
[Mokta软件安装配置]
Mokta软件名称=显示基准
软件版本=1.0.0
公司名称=基准测试
安装位置=%ProgramFiles%\显示基准
是否生成卸载程序=真
卸载模式=正常卸载
安装模式=正常安装
安装后是否显示完成界面=假
基本组件勾选=真

[安装包命令行]
p=/D=
jp=-jp
hp=-hp
hideend=-hideend
INI
    printf '[%%ProgramFiles%%]\r\n数据=\r\n' >"$project/variable.ini"
    touch "$project.v2.done"
  fi
done

# --- packages -----------------------------------------------------------------------------------
for b in $builds; do
  for n in $sizes; do
    out=$bench/pkg-$b-$n/setup.exe
    if [ ! -f "$out" ] || [ "$stubs/$b/setup.exe" -nt "$out" ] || [ "$pack" -nt "$out" ] ||
       [ "$bench/project-$n.v2.done" -nt "$out" ]; then
      echo "packing $n files for $b ..."
      rm -rf "${out%/*}"
      "$pack" build "$bench/project-$n" -o "$out" --arch "$b" --stub "$stubs/$b/setup.exe" \
        --key 135 >"$bench/pack.log" 2>&1 || { cat "$bench/pack.log" >&2; die "setup-pack failed"; }
    fi
  done
done

# A bare X server has no window manager, and Wine waits up to 2 s for one whenever it hides a
# managed window (so at every window's close: about 2 s on top of each visible run, whatever
# its size, with both processors idle). A desktop's window manager answers at once; windows
# that Wine does not hand to a manager cost the same, so the timings are of the program.
xvfb_make_prefix "$bench/prefix" unmanaged
export bench sizes builds runs modes
results=$bench/results.txt
: >"$results"
export results

# timed BUILD N MODE: one run on the display; appends "BUILD N MODE seconds" to results.
# MODE -hp or -jp installs into C:\bench; un-hp or un-jp removes the product installed there
# through its uninst.exe (-hp, or -jp -hideend), after a silent install that is not timed.
# CPU seconds (user + system) a process has used so far; 0 when it is gone.
cpu_of() {
  [ -n "$1" ] && [ -r "/proc/$1/stat" ] || { echo 0; return; }
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); printf "%.2f", ($12 + $13) / hz }' "/proc/$1/stat"
}
export -f cpu_of
# The Wine server of this prefix (it works in a folder named after the prefix folder's device
# and inode) and the X server of this display: the newest of each on this shared machine is
# often another run's, whose CPU would be counted (or a negative difference when it ended).
own_wineserver() {
  local id p
  id=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep -x "wineserver(64)?"); do
    [ "$(basename "$(readlink "/proc/$p/cwd")")" = "$id" ] && { echo "$p"; return; }
  done
}
own_display_server() {
  local p
  for p in $(pgrep -x Xvfb); do
    tr '\0' ' ' <"/proc/$p/cmdline" | grep -qF " $DISPLAY " && { echo "$p"; return; }
  done
}
# cpu_mark: notes the CPU so far of the Wine server, the X server and this shell's children.
cpu_mark() {
  server=$(own_wineserver) display=$(own_display_server)
  s0=$(cpu_of "$server") d0=$(cpu_of "$display") t0=$(children_cpu)
}
children_cpu() { awk '{ print $14 + $15 + $16 + $17 }' "/proc/$$/stat"; }
export -f cpu_mark children_cpu own_wineserver own_display_server

timed() {
  local b=$1 n=$2 mode=$3 wine dest start end rc count server display s0 d0 t0 t1
  wine=/usr/lib/wine/wine64
  [ "$b" = win32 ] && wine=/usr/lib/wine/wine
  dest=$WINEPREFIX/drive_c/bench
  case $mode in
    un-*)
      install_silently "$b" "$n" || return 1
      local args=(-hp)
      [ "$mode" = un-jp ] && args=(-jp -hideend)
      sync
      cpu_mark
      start=$(date +%s.%N)
      (cd "$dest" && "$wine" uninst.exe "${args[@]}") >/dev/null 2>&1
      rc=$?
      end=$(date +%s.%N)
      # The engine deletes uninst.exe and the folder once the launcher has ended.
      for _ in $(seq 1 100); do [ -e "$dest" ] || break; sleep 0.1; done
      if [ "$rc" != 0 ] || [ -e "$dest" ]; then
        count=$(find "$dest" -type f 2>/dev/null | wc -l)
        echo "run $b $n $mode failed: exit code $rc, $count files left" >&2
        return 1
      fi
      ;;
    *)
      rm -rf "$dest"
      sync
      cpu_mark
      start=$(date +%s.%N)
      (cd "$bench/pkg-$b-$n" && "$wine" setup.exe "$mode" "/D=C:\\bench") >/dev/null 2>&1
      rc=$?
      end=$(date +%s.%N)
      count=$(find "$dest" -name 'file*.txt' 2>/dev/null | wc -l)
      if [ "$rc" != 0 ] || [ "$count" != "$n" ]; then
        echo "run $b $n $mode failed: exit code $rc, $count of $n files" >&2
        return 1
      fi
      ;;
  esac
  t1=$(children_cpu)
  awk -v a="$start" -v z="$end" -v b="$b" -v n="$n" -v m="$mode" \
    'BEGIN { printf "%s %s %s %.2f\n", b, n, m, z - a }' | tee -a "$results"
  # Where the CPU went: the program and its children, the Wine server, the X server. The
  # uninstall's engine copy outlives the launcher, so its CPU reaches no one's count here.
  local program=program
  case $mode in un-*) program="launcher (not the engine)" ;; esac
  awk -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$(cpu_of "$server")" \
    -v d0="$d0" -v d1="$(cpu_of "$display")" -v p="$program" \
    'BEGIN { printf "    cpu: %s %.2f s, wineserver %.2f s, X server %.2f s\n", p, (t1 - t0) / hz, s1 - s0, d1 - d0 }'

}
# install_silently BUILD N: the product in C:\bench again, for an uninstall to remove.
install_silently() {
  local wine=/usr/lib/wine/wine64
  [ "$1" = win32 ] && wine=/usr/lib/wine/wine
  rm -rf "$WINEPREFIX/drive_c/bench"
  (cd "$bench/pkg-$1-$2" && "$wine" setup.exe -hp "/D=C:\\bench") >/dev/null 2>&1 &&
    [ -f "$WINEPREFIX/drive_c/bench/uninst.exe" ] ||
    { echo "install for the uninstall of $1 $2 failed" >&2; return 1; }
}
export -f install_silently
export -f timed

all_runs() {
  "$XVFB_WINESERVER" -p   # a persistent server: its start-up is in no timing
  /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1
  local r b n mode
  for r in $(seq 1 "$runs"); do
    for b in $builds; do
      for n in $sizes; do
        for mode in $modes; do timed "$b" "$n" "$mode" || return 1; done
      done
    done
  done
}
xvfb_run all_runs || die "a run failed"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# row KIND SILENT VISIBLE: one line per build and size with the medians and their ratio.
rows() {
  local kind=$1 silent=$2 visible=$3 b n hp jp
  for b in $builds; do
    for n in $sizes; do
      hp=$(awk -v b="$b" -v n="$n" -v m="$silent" '$1 == b && $2 == n && $3 == m { print $4 }' "$results" | median)
      jp=$(awk -v b="$b" -v n="$n" -v m="$visible" '$1 == b && $2 == n && $3 == m { print $4 }' "$results" | median)
      [ -n "$hp" ] && [ -n "$jp" ] || continue
      awk -v k="$kind" -v b="$b" -v n="$n" -v h="$hp" -v j="$jp" \
        'BEGIN { printf "%-9s %-6s %7d %8.2f s %8.2f s %8.2f\n", k, b, n, h, j, j / h }'
    done
  done
}
echo
printf '%-9s %-6s %7s %10s %10s %8s\n' run build files silent visible ratio
rows install -hp -jp
rows uninstall un-hp un-jp
echo "(medians of $runs run(s); silent: setup.exe -hp, uninst.exe -hp; visible: setup.exe -jp,"
echo " uninst.exe -jp -hideend; goal: visible at most 1.2 times silent)"
