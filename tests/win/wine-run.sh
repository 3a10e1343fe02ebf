#!/usr/bin/env bash
# Runs one Windows test program under 64-bit Wine, in the project's test prefix.
# The prefix is made once (that takes a while) and reused; WINE_TEST_PREFIX overrides it.
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINE_TEST_PREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w
fi
"$wine" "$@"
rc=$?
exit $rc
