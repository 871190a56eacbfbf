#!/usr/bin/env bash
# Installs every tool the build and the tests need on a Debian 12 machine.
# Quick when everything is already present; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386
  googletest
  clang libclang-rt-14-dev
  nsis
  python3
  xvfb fonts-wine
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# npm installs the pinned Inno Setup compiler (tools/inno-compiler.sh). Any
# node and npm on the PATH will do; Debian's when there are none.
if ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
