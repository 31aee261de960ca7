#!/usr/bin/env bash
# Start-up time to the mapped start dialog, and resident memory then, of Markwick and of a
# minimal Qt Widgets window, measured alternately in the same run under one Xvfb display.
#   bench/startup/startup.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(realpath "$1")
runs=${2:-15}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

# Markwick runs from a folder of its own, so that its settings file is a fresh one.
cp "$build/app/Markwick" "$work/Markwick"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=$work

for i in $(seq "$runs"); do
  rm -f "$work/Markwick.ini"
  echo "markwick $("$build/bench/startup/wait_mapped" "Markwick: StartGame" "$work/Markwick")"
  echo "minimal $("$build/bench/startup/wait_mapped" "Minimal window" "$build/bench/startup/minimal_window")"
  echo "text $("$build/bench/startup/wait_mapped" "Minimal window with text" "$build/bench/startup/minimal_window" text)"
done > "$work/samples"

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
for what in markwick minimal text; do
  ms=$(awk -v w=$what '$1==w {print $2}' "$work/samples" | median)
  kib=$(awk -v w=$what '$1==w {print $3}' "$work/samples" | median)
  printf '%-9s start-up to mapped window: median %6.1f ms   resident then: median %6d KiB\n' \
    "$what" "$ms" "$kib"
  eval "${what}_ms=$ms ${what}_kib=$kib"
done
ratio() {
  awk -v a="$1" -v b="$2" -v c="$3" -v d="$4" -v what="$5" \
    'BEGIN {printf "Markwick against %s: time %.2fx, memory %.2fx (target: within 1.3x)\n", what, a/b, c/d}'
}
ratio "$markwick_ms" "$minimal_ms" "$markwick_kib" "$minimal_kib" "the empty window"
ratio "$markwick_ms" "$text_ms" "$markwick_kib" "$text_kib" "the window with one line of text"
