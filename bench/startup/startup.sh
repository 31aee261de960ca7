#!/usr/bin/env bash
# Start-up to the first painted start dialog: time, CPU time and resident memory of Markwick
# (without a settings file and with one), against a bare Qt Widgets window and one with a line
# of Japanese text, measured alternately in the same run under one Xvfb display with a session
# bus, as on a desktop. Then the instructions to the painted window under callgrind, one run
# each, which stay the same on a loaded machine.
#   bench/startup/startup.sh BUILD_DIR [RUNS]
# MARKWICK_BINARY=path measures another Markwick executable; BENCH_CALLGRIND=0 skips callgrind.
set -euo pipefail
build=$(realpath "$1")
runs=${2:-15}
markwick=$(realpath "${MARKWICK_BINARY:-$build/app/Markwick}")
probe=$build/bench/startup/wait_painted
minimal=$build/bench/startup/minimal_window
work=$(mktemp -d)
xvfb=""
bus=""
trap '[ -n "$bus" ] && kill $bus 2>/dev/null; [ -n "$xvfb" ] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP PIPE  # through the clean-up above

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "startup.sh: no display could be started" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$work/display")"

unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=$work
{ read -r DBUS_SESSION_BUS_ADDRESS; read -r bus; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS

# Markwick runs from folders of its own: one never has a settings file, the other has the one
# that the start buttons write (code page 932, CR LF).
mkdir "$work/fresh" "$work/ini"
cp "$markwick" "$work/fresh/Markwick"
cp "$markwick" "$work/ini/Markwick"
printf '[Parameter]\r\nIPAddress=192.168.0.7\r\nFName=先攻 太郎\r\nSName=後攻 花子\r\n[Form]\r\nTOP=140\r\nLEFT=511\r\n' |
  iconv -f UTF-8 -t CP932 > "$work/settings.ini"

run() {  # what -> "<mapped ms> <painted ms> <CPU ms> <KiB>"
  case $1 in
    markwick) rm -f "$work/fresh/Markwick.ini"; "$probe" "Markwick: StartGame" "${@:2}" "$work/fresh/Markwick" ;;
    markwick_ini) cp "$work/settings.ini" "$work/ini/Markwick.ini"; "$probe" "Markwick: StartGame" "${@:2}" "$work/ini/Markwick" ;;
    minimal) "$probe" "Minimal window" "${@:2}" "$minimal" ;;
    text) "$probe" "Minimal window with text" "${@:2}" "$minimal" text ;;
  esac
}
kinds="markwick markwick_ini minimal text"

for what in $kinds; do run "$what" >/dev/null; done  # caches warm
for _ in $(seq "$runs"); do
  for what in $kinds; do
    sample=$(run "$what")
    echo "$what $sample"
  done
done > "$work/samples"

# Medians per kind, then Markwick's ratios against the references.
awk -v runs="$runs" '
  function median(key,   n, i, j, t, v) {
    n = split(values[key], v, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j] < v[j - 1]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  { for (f = 2; f <= 5; f++) values[$1 SUBSEP f] = values[$1 SUBSEP f] " " $f }
  END {
    split("markwick markwick_ini minimal text", kinds, " ")
    printf "Medians of %d runs each, alternating (wall figures depend on the load of the machine):\n", runs
    printf "  %-13s %10s %11s %9s %10s\n", "", "mapped ms", "painted ms", "CPU ms", "RSS KiB"
    for (k = 1; k <= 4; k++) {
      for (f = 2; f <= 5; f++) m[kinds[k], f] = median(kinds[k] SUBSEP f)
      printf "  %-13s %10.1f %11.1f %9.1f %10d\n", kinds[k], m[kinds[k], 2], m[kinds[k], 3], m[kinds[k], 4], m[kinds[k], 5]
    }
    for (k = 1; k <= 2; k++) {
      w = kinds[k]
      for (r = 3; r <= 4; r++) {
        ref = kinds[r]
        t = m[w, 3] / m[ref, 3]; c = m[w, 4] / m[ref, 4]; rss = m[w, 5] / m[ref, 5]
        printf "  %-13s against %-8s painted %.2fx, CPU %.2fx, RSS %.2fx\n", w, ref, t, c, rss
      }
    }
  }' "$work/samples"

[ "${BENCH_CALLGRIND:-1}" = 0 ] && exit 0
echo "Instructions to the painted window (callgrind, all threads, one run each):"
for what in $kinds; do
  out=$work/callgrind.$what
  WAIT_PAINTED_TERM=1 run "$what" valgrind -q --tool=callgrind --callgrind-out-file="$out" \
    >/dev/null 2>"$work/valgrind.log" || { cat "$work/valgrind.log" >&2; exit 1; }
  ir=$(awk '/^(summary|totals):/ {print $2; exit}' "$out")
  eval "${what}_ir=$ir"
  awk -v w="$what" -v ir="$ir" 'BEGIN {printf "  %-13s %8.1f M\n", w, ir / 1e6}'
done
for what in markwick markwick_ini; do
  eval "awk -v a=\$${what}_ir -v b=\$minimal_ir -v c=\$text_ir -v w=$what \
    'BEGIN {printf \"  %-13s %.2fx the bare window, %.2fx the window with text\\n\", w, a/b, a/c}'"
done
