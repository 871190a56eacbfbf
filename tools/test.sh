#!/usr/bin/env bash
# Runs every test from a clean checkout: installs what is missing, builds the
# Windows tests (and the product they load) and the native text-rule tests,
# and runs both through ctest. The Windows tests run in this tree's own Wine
# prefix, whose wineserver is stopped at the end whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/bootstrap.sh

prefix=build/windows-tests/wineprefix
trap 'tools/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true' EXIT

cmake --preset windows-tests
cmake --build --preset windows-tests
ctest --preset windows-tests

cmake --preset native
cmake --build --preset native
ctest --preset native
