#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing the project.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-dev googletest libgtest-dev libgmock-dev
  libssl-dev zlib1g-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  wine64 xvfb 7zip fonts-wqy-zenhei imagemagick
  xdotool
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The i686 build (the specified target) runs under the 32-bit Wine loader, which comes from the
# i386 architecture.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "installing: wine32:i386"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi
