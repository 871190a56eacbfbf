#!/bin/sh
# Installs the Inno Setup 6 compiler pinned in tools/inno/package-lock.json
# into DIR (a folder of the build tree) with `npm ci`, npm's cache in DIR too,
# and prints the path of its ISCC.exe. Quick when DIR already holds the
# version the lock file names.
#   tools/inno-compiler.sh DIR
# Exits 77 when npm is missing (tools/bootstrap.sh installs it).
set -eu

dir=$(realpath -m "$1")
pinned=$(dirname "$(realpath "$0")")/inno
iscc=$dir/node_modules/innosetup-compiler/bin/ISCC.exe

if ! command -v npm >/dev/null 2>&1; then
  echo "inno-compiler: npm not found: tools/bootstrap.sh installs it" >&2
  exit 77
fi
mkdir -p "$dir"
if [ -f "$iscc" ] && cmp -s "$pinned/package-lock.json" "$dir/package-lock.json"; then
  echo "$iscc"
  exit 0
fi
cp "$pinned/package.json" "$pinned/package-lock.json" "$dir/"
# --ignore-scripts: the package only carries files; nothing of it runs here
# but ISCC.exe under Wine.
(cd "$dir" && npm ci --ignore-scripts --no-audit --no-fund --cache "$dir/npm-cache" >&2)
test -f "$iscc"
echo "$iscc"
