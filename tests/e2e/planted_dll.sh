#!/usr/bin/env bash
# DLLs of Windows' own names, dropped beside Markwick.exe (a Downloads folder holds whatever a
# browser put there), must never run: a copy of Markwick.exe starts on Wine's Windows platform
# on a display of its own, in a folder that holds such stand-ins (planted_dll.c), which leave a
# mark when loaded; once its start dialog is shown, no mark may be there.
#
#   planted_dll.sh [--expected-fault WHY] WINE_RUN MARKWICK.exe PLANTED.dll...
#
# With --expected-fault the marks are the known fault WHY: the test passes while they appear
# and fails once none does (the mark is to be removed with the fix).
set -euo pipefail
expected=""
if [ "${1:-}" = --expected-fault ]; then
  expected=$2
  shift 2
fi
[ $# -ge 3 ] || { echo "usage: $0 [--expected-fault WHY] WINE_RUN MARKWICK.exe PLANTED.dll..." >&2; exit 2; }
wine_run=$(realpath "$1")
markwick=$(realpath "$2")
shift 2

work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  wineserver --kill 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/Downloads"
cp "$markwick" "$work/Downloads/Markwick.exe"
for dll in "$@"; do cp "$dll" "$work/Downloads/"; done

# A Wine prefix of its own: its desktop process takes this test's display.
WINEPREFIX=$("$(dirname "$wine_run")/wine-prefix" wine-prefix-planted)
export WINEPREFIX

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
deadline=$((SECONDS + 30))
until [ -s "$work/display" ]; do
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
  ((SECONDS < deadline)) || fail "timed out waiting for Xvfb"
  sleep 0.1
done
export DISPLAY=":$(tr -d '\n' <"$work/display")"
export QT_QPA_PLATFORM=windows

(cd "$work/Downloads" && exec "$wine_run" ./Markwick.exe) >"$work/program.log" 2>&1 &
program=$!

# Until the start dialog is shown, a mark appears or the program ends.
marks() { find "$work/Downloads" -name '*.ran' -printf '%f\n' | sort; }
deadline=$((SECONDS + 180))
shown=""
while [ -z "$(marks)" ]; do
  if xdotool search --name '^Markwick: StartGame$' >/dev/null 2>&1; then
    shown=yes
    break
  fi
  kill -0 "$program" 2>/dev/null || { cat "$work/program.log" >&2; fail "Markwick.exe ended before its start dialog was shown"; }
  ((SECONDS < deadline)) || fail "timed out waiting for the start dialog"
  sleep 0.2
done
ran=$(marks)
if [ -n "$ran" ]; then
  ran=$(sed 's/\.ran$//' <<<"$ran" | paste -sd ' ')
  if [ -n "$expected" ]; then
    echo "XFAIL: $expected: the planted $ran ran"
    exit 0
  fi
  fail "the DLLs planted beside Markwick.exe ran: $ran"
fi
[ -n "$shown" ] || fail "no start dialog"
if [ -n "$expected" ]; then
  fail "XPASS: $expected: no longer happens (the start dialog is shown, no planted DLL ran); drop --expected-fault"
fi
echo "PASS: the start dialog is shown and none of the $# DLLs planted beside Markwick.exe ran"
