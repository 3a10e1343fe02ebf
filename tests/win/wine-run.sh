#!/usr/bin/env bash
# Runs one Windows program under Wine, in the project's test prefix: i686 programs with the
# 32-bit loader, x86_64 ones (and Wine's own commands such as "cmd") with the 64-bit one. The
# program's PE header decides, so the same script serves both builds, CTest and hand runs.
# The prefix is 64-bit (an i686 program then runs as on 64-bit Windows, the common case); it
# is made once (that takes a while) and reused; WINE_TEST_PREFIX overrides it.
#
# Sourced, it only defines wine_for, for scripts that start programs themselves:
#   . tests/win/wine-run.sh; wine=$(wine_for build/win32/setup.exe)

# pe_machine FILE: the machine field of a PE image in hex ("14c" i386, "8664" x86_64), or
# nothing when FILE is not one.
pe_machine() {
  [ -f "$1" ] || return 0
  [ "$(head -c 2 "$1")" = MZ ] || return 0
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ -n "$header" ] || return 0
  [ "$(od -An -c -j"$header" -N4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return 0
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ' | sed 's/^0*//'
}

# wine_for PROGRAM: the Wine loader that runs PROGRAM.
wine_for() {
  if [ "$(pe_machine "$1")" = 14c ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# can_run_i686: whether this machine runs the 32-bit loader at all. Some kernels are built or
# booted without IA-32 emulation; every 32-bit ELF program, Wine's i686 loader included, then
# fails with "Exec format error", and the i686 build can be built and inspected but not run.
can_run_i686() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# runnable_builds: the Windows builds this machine can run, of "win32 win64", in that order.
runnable_builds() {
  if can_run_i686; then echo "win32 win64"; else echo "win64"; fi
}

[ "${BASH_SOURCE[0]}" = "$0" ] || return 0

set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINE_TEST_PREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=$(wine_for "${1:-}")
if [ ! -x "$wine" ]; then
  echo "wine-run.sh: $wine is missing (scripts/setup-machine.sh installs it)" >&2
  exit 127
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
"$wine" "$@"
