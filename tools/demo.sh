#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds the
# product (KitSetup.dll and kitsetup.exe), lays a sample machine in a Wine
# prefix of its own, calls IDEInstall for Delphi 7 and C++Builder 6 the way a
# setup program does, and prints what changed. Everything it makes is under
# build/demo: before.json, after.json, kitsetup.out, report.txt, report.json.
# The prefix's wineserver is stopped on every way out.
#
# tools/demo.sh --uninstall [REQUEST...] then also calls IDEUninstall for the
# same requests and reports what that took out again (build/demo/
# uninstall-report.txt and .json), as a setup program's uninstaller does.
set -euo pipefail
cd "$(dirname "$0")/.."

uninstall=no
if [ "${1:-}" = "--uninstall" ]; then
  uninstall=yes
  shift
fi
requests=("$@")
if [ ${#requests[@]} -eq 0 ]; then requests=(D7 C6); fi

tools/bootstrap.sh
cmake --preset product
cmake --build --preset product

demo=build/demo
prefix=$demo/wineprefix
stop_prefix() { tools/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true; }
trap stop_prefix EXIT

# A fresh prefix every time: nothing from an earlier run can show up.
if [ -d "$prefix" ]; then
  stop_prefix
  rm -rf "$prefix"
fi
mkdir -p "$demo"
rm -f "$demo/kitsetup.out" "$demo/report.txt" "$demo/report.json"
rm -f "$demo/uninstall.out" "$demo/uninstall-report.txt" "$demo/uninstall-report.json"

python3 tools/sample_machine.py "$prefix"
python3 tools/report.py snapshot "$prefix" "$demo/before.json"

echo "kitsetup --acknowledge ${requests[*]}"
status=0
tools/wine-prefix.sh run "$prefix" build/product/bin/kitsetup.exe --acknowledge "${requests[@]}" \
  >"$demo/kitsetup.out" || status=$?
tr -d '\r' <"$demo/kitsetup.out"
echo

python3 tools/report.py snapshot "$prefix" "$demo/after.json"
python3 tools/report.py compare "$demo/before.json" "$demo/after.json" \
  --host-output "$demo/kitsetup.out" --out "$demo/report"
echo
echo "demo: report in $demo/report.txt, the same as JSON in $demo/report.json"

if [ "$uninstall" = yes ] && [ "$status" -eq 0 ]; then
  echo
  echo "kitsetup --acknowledge --uninstall ${requests[*]}"
  tools/wine-prefix.sh run "$prefix" build/product/bin/kitsetup.exe --acknowledge --uninstall \
    "${requests[@]}" >"$demo/uninstall.out" || status=$?
  tr -d '\r' <"$demo/uninstall.out"
  echo
  python3 tools/report.py snapshot "$prefix" "$demo/uninstalled.json"
  python3 tools/report.py compare "$demo/after.json" "$demo/uninstalled.json" \
    --host-output "$demo/uninstall.out" --out "$demo/uninstall-report"
  echo
  echo "demo: what the uninstall took out in $demo/uninstall-report.txt (and .json)"
fi
if [ "$status" -ne 0 ]; then
  echo "demo: kitsetup exited with status $status" >&2
fi
exit "$status"
