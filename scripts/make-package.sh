#!/usr/bin/env bash
# Makes a setup file the way the packaging tool lays it out, from a configuration source
# folder (UTF-8 texts, see tools/pack/config_writer.h):
#   scripts/make-package.sh STUB.exe CONFIG_SOURCE OUT.exe [PASSWORD]
# The configuration is written in its stored forms, packed into a 7z with encrypted headers
# (password: MD5 of the stub's KEY resource "000", unless PASSWORD is given), its second
# signature byte altered, and appended behind the stub with the package-type block.
set -euo pipefail
stub=$1 source=$2 out=$3
password=${4:-$(printf '000' | md5sum | cut -c1-32)}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/build/native/setup-pack" config "$source" "$work/config" >/dev/null
(cd "$work/config" && 7zz a -bd -mhe=on "-p$password" ../data.7z . >/dev/null)
printf '\x7B' | dd of="$work/data.7z" bs=1 seek=1 conv=notrunc status=none
printf 'qzr-1' > "$work/type"
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
block() {  # block START END CONTENT-FILE: 0x00, start, 0x01, content, end, 0x01
  printf '\0'; gbk "$1"; printf '\1'; cat "$3"; gbk "$2"; printf '\1'
}
{ cat "$stub"
  block 'QZR-mark=配置包A' 'QZR-mark=配置包B' "$work/type"
  block 'QZR-mark=配置包sA' 'QZR-mark=配置包sB' "$work/data.7z"
} > "$out"
