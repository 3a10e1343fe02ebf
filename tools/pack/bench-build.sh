#!/usr/bin/env bash
# Build time of setup-pack against 7zz alone on the same payload folder, as a ratio.
#   tools/pack/bench-build.sh SETUP_PACK STUB [payload MB, default 200]
# Makes a payload of half random bytes (incompressible) and half text in a temporary folder,
# builds examples/demo with it, and prints both times and their ratio.
set -eu
tool=$1 stub=$2 mb=${3:-200}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds() { python3 -c 'import time; print(time.monotonic())'; }
cp -r "$root/examples/demo" "$work/project"
half=$((mb / 2))
head -c $((half * 1048576)) /dev/urandom > "$work/project/payload/random.bin"
python3 - "$work/project/payload/text.txt" $((half * 1048576)) <<'PY'
import sys
line = "安装程序的演示文本 line of text 0123456789\n".encode()
with open(sys.argv[1], "wb") as f:
    n = int(sys.argv[2])
    i = 0
    while n > 0:
        chunk = (str(i).encode() + b" " + line) * 1000
        f.write(chunk[:n]); n -= len(chunk); i += 1
PY
demo_start=$(seconds)
"$tool" build "$root/examples/demo" -o "$work/demo/setup.exe" --stub "$stub" --key 123 >/dev/null
demo_end=$(seconds)
start=$(seconds)
"$tool" build "$work/project" -o "$work/out/setup.exe" --stub "$stub" --key 123 >/dev/null
middle=$(seconds)
(cd "$work/project/payload" && 7zz a -t7z -bd -bso0 -bsp0 "$work/alone.7z" . )
end=$(seconds)
python3 - "$demo_start" "$demo_end" "$start" "$middle" "$end" "$mb" <<'PY'
import sys
d0, d1, a, b, c, mb = map(float, sys.argv[1:])
print(f"demo: setup-pack build {d1-d0:.2f} s")
print(f"{mb:.0f} MB payload: setup-pack build {b-a:.1f} s, 7zz alone {c-b:.1f} s, ratio {(b-a)/(c-b):.3f}")
PY
