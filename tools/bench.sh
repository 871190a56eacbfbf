#!/usr/bin/env bash
# Builds the Windows tests tree (the benchmark is built with it) and runs the
# benchmark of one IDEInstall request against the least work it needs, in
# that tree's Wine prefix, whose wineserver is stopped at the end whatever
# happened. Not part of tools/test.sh: timings have no place in the test run.
#
#   tools/bench.sh [BUILD_DIR] [--runs N]     (BUILD_DIR: build/windows-tests; 15 runs)
#
# The benchmark lays its installation into the prefix's real IDE keys (its
# measuring processes cannot be redirected to scratch keys, and it refuses to
# run in a prefix the build did not mark); the tests of kitsetup.exe use the
# same keys: do not run it while ctest runs in the same tree. Its times depend
# on what else the machine does; the load before and after is printed with the
# figures.
# Under Wine every registry call is a round trip to the prefix's wineserver:
# about 8 us when the caller and the server share a CPU, 50 us to 1 ms when
# they do not, and a fresh process gets one or the other by chance. So the
# prefix is pinned to one CPU (KITSETUP_BENCH_CPU, default 0): no server of
# it may run unpinned, the server is started under taskset, and so is every
# process run in it (they inherit the affinity).
# The exit code is 1 when a target was missed, 2 when it refused to run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows-tests
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
prefix=$build/wineprefix
cpu=${KITSETUP_BENCH_CPU:-0}

tools/bootstrap.sh

trap 'tools/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true' EXIT

cmake --preset windows-tests -B "$build" >/dev/null
cmake --build "$build" --target kitsetup_bench

# A server left from an earlier run would serve the benchmark from any CPU.
tools/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true
WINEPREFIX=$(realpath -m "$prefix") WINEARCH=win32 WINEDEBUG=-all taskset -c "$cpu" wineserver -p
echo "pinned: the prefix's wineserver and every process in it on CPU $cpu"
echo "load before: $(uptime)"
status=0
taskset -c "$cpu" tools/wine-prefix.sh run "$prefix" "$build/bin/kitsetup_bench.exe" "$@" ||
  status=$?
echo "load after:  $(uptime)"
exit $status
