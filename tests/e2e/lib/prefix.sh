# The set-up shared by the end-to-end scripts that run setup.exe in fresh copies of one booted
# (64-bit) Wine prefix. Sourced with $root (the checkout) and $build (win32 or win64) set; it
# sets pack, stub, wine (the loader of the stub's bitness), wine64 and wineserver (Wine's own
# tools are the 64-bit ones), work (a scratch folder removed at exit, with every prefix under it
# stopped), and sources the checks. Tools: SETUP_PACK (default build/native/setup-pack),
# SETUP_STUB (default build/<build>/setup.exe).
pack=${SETUP_PACK:-$root/build/native/setup-pack}
stub=${SETUP_STUB:-$root/build/$build/setup.exe}
[ -f "$stub" ] || { echo "missing $stub" >&2; exit 2; }
. "$root/tests/win/wine-run.sh"
wine=$(wine_for "$stub")
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
work=$(mktemp -d)
# No menu entries on the Linux side.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
prefix_cleanup() {
  for p in "$work"/prefix-* "$work/template"; do
    [ -d "$p" ] && WINEPREFIX=$p $wineserver -k 2>/dev/null
  done
  rm -rf "$work"
}
trap prefix_cleanup EXIT
source "$root/tests/e2e/lib/checks.sh"

# The template that every scenario copies. Wine links the profile folders (Desktop,
# Documents...) to the Linux home; shortcuts must stay inside the prefix, so they become plain
# folders.
boot_template() {
  echo "booting the template prefix..."
  WINEPREFIX=$work/template "$wine64" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$work/template $wineserver -w
  local link
  for link in "$work"/template/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link"; mkdir "$link"; fi
  done
}
# A fresh copy of the template as the next scenario's prefix; sets WINEPREFIX and C (drive_c).
scenario=0
fresh_prefix() {
  scenario=$((scenario + 1))
  export WINEPREFIX=$work/prefix-$scenario
  cp -a "$work/template" "$WINEPREFIX"
  C=$WINEPREFIX/drive_c
}
reg_text() {  # reg_text KEY -> the key and its subkeys as UTF-8 text ("" when missing)
  local out=$work/export.reg
  rm -f "$out"
  "$wine64" reg export "$1" 'Z:'"${out//\//\\}" /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16LE -t UTF-8 "$out" | tr -d '\r'
}
uninstall32='HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
uninstall64='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
