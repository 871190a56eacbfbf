#!/bin/sh
# A 32-bit, headless Wine prefix owned by one build tree.
#   wine-prefix.sh create PREFIX         lay the prefix and start it once
#   wine-prefix.sh start PREFIX          (re)start its wineserver, kept until stopped
#   wine-prefix.sh run PREFIX PROGRAM..  run a Windows program in it
#   wine-prefix.sh wait PREFIX           wait until its programs and wineserver end
#   wine-prefix.sh stop PREFIX           stop its wineserver and wait for it
set -eu

command=$1
WINEPREFIX=$(realpath -m "$2")
shift 2
export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case $command in
create)
  mkdir -p "$WINEPREFIX"
  # Serialises the first start when several builds or tests race for it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.kitsetup-ready" ]; then
    # The null graphics driver has to be in place before the first start: then
    # MessageBoxA makes a real, invisible dialog instead of failing.
    if [ ! -f "$WINEPREFIX/user.reg" ]; then
      printf '%s\n' 'WINE REGISTRY Version 2' \
        ';; All keys relative to \\User\\S-1-5-21-0-0-0-1000' '' \
        '[Software\\Wine\\Drivers]' '"Graphics"="null"' '' > "$WINEPREFIX/user.reg"
    fi
    wine cmd /c exit >/dev/null 2>&1 || true
    wineserver -w
    test -f "$WINEPREFIX/system.reg"
  fi
  # The mark of a prefix this build owns: the benchmark and the tests that
  # lay IDE keys for a child process refuse to run in any prefix without it
  # (tests/support/BuildPrefix.h).
  printf '%s\r\n' 'This Wine prefix belongs to a KitSetup build tree; its tests and benchmark' \
    'may delete and rewrite the IDE and suite registry keys in it.' \
    > "$WINEPREFIX/drive_c/kitsetup-build-prefix.txt"
  touch "$WINEPREFIX/.kitsetup-ready"
  ;;
run)
  # Wine's background processes inherit stderr and hold it open for seconds
  # after the program ends; a caller reading a pipe would wait for them. The
  # program's stderr goes through a file instead.
  errors=$(mktemp)
  status=0
  wine "$@" 2>"$errors" || status=$?
  cat "$errors" >&2
  rm -f "$errors"
  exit $status
  ;;
wait)
  # Returns when the last program has ended and the wineserver with it (a few
  # seconds later); at once when none runs.
  wineserver -w 2>/dev/null || true
  ;;
start)
  # A server that ends on its own when idle would race the next program's
  # start; this one stays until "stop". It runs in the background and must not
  # hold the caller's output open (ctest would wait for it).
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p </dev/null >/dev/null 2>&1
  ;;
stop)
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  ;;
*)
  echo "usage: $0 create|run|wait|stop PREFIX [PROGRAM ARGS...]" >&2
  exit 2
  ;;
esac
