#!/usr/bin/env bash
# A match survives a killed and restarted program: two Markwick programs play one fixed match
# once without a loss (the reference), then once for each case of the matrix below, in which one
# of them is killed (SIGKILL) at a point of the match, started again from its folder (its
# settings and its records), answers "はい" to "前回の試合を続けますか？" and plays to the end.
# Each case must end as the reference did: both match records (their bytes, and their names but
# for the time stamp), both result boxes, both STATS windows, both boards (their captions, the
# window and the state dump's two boxes, pixel for pixel, and a caption of a link that is up).
#
#   kill_matrix.sh [--wine WINE_RUN | --wine-side SIDE WINE_RUN WINE_MARKWICK
#                  WINE_SHOW_MESSAGE_BOX] [--case "NAME..."] MARKWICK X11_PROBE SHOW_MESSAGE_BOX
#                  [ARTEFACT_DIR]
#
# --case runs those cases alone after the reference. With --wine, MARKWICK and
# SHOW_MESSAGE_BOX are the Windows programs, run by WINE_RUN (tools/wine-run), as in
# two_programs.sh. With --wine-side, the side "first" or "second" runs the Windows programs
# WINE_MARKWICK and WINE_SHOW_MESSAGE_BOX under Wine and the other side the Linux ones: a
# Windows program and a Linux one play, each killed in turn.
#
# The points of a loss, each for either program, in round 1 (the names still travel, and a
# program that has no turn in its record starts afresh) and in round 5:
#   own       during its own turn: its darts entered, not sent
#   applying  the rival has sent and it has not applied the turn: stopped (SIGSTOP) before the
#             rival's send, killed once the rival has recorded the turn
#   waiting   while it waits for the rival: killed as the rival's turn opens; the rival sends
#             while it is away
# Both sides miss three times in rounds 1, 2 and 4 to 6, so that each loss has equal turns on
# either side of it: a turn lost or applied twice shows in the records' rounds and the result.
set -euo pipefail

wine_run=""
wine_side=""
installed=""
only_case=""
if [ "${1:-}" = --wine ]; then
  wine_run=$2
  shift 2
elif [ "${1:-}" = --wine-side ]; then
  wine_side=$2 wine_run=$3 wine_markwick=$4 wine_show_message_box=$5
  shift 5
fi
if [ "${1:-}" = --case ]; then
  only_case=$2
  shift 2
fi
if [ $# -lt 3 ]; then
  echo "usage: $0 [--wine WINE_RUN | --wine-side SIDE WINE_RUN WINE_MARKWICK" \
    "WINE_SHOW_MESSAGE_BOX] [--case \"NAME...\"] MARKWICK X11_PROBE SHOW_MESSAGE_BOX" \
    "[ARTEFACT_DIR]" >&2
  exit 2
fi
markwick=$1
probe=$2
show_message_box=$3
artefacts=${4:-$PWD}
artefact_prefix=kill_matrix

# shellcheck source=desktop.sh
source "$(dirname "$0")/desktop.sh"

# The matrix: case name, program killed, point, round, and what is expected of it: "pass", or
# "xfail" with the fault that the case shows (it must fail, and fails the test once it passes).
cases=(
  "first-own-1         first  own      1 pass"
  "first-applying-1    first  applying 1 pass"
  "first-waiting-1     first  waiting  1 pass"
  "second-own-1        second own      1 pass"
  "second-applying-1   second applying 1 pass"
  "second-waiting-1    second waiting  1 pass"
  "first-own-5         first  own      5 pass"
  "first-applying-5    first  applying 5 pass"
  "first-waiting-5     first  waiting  5 pass"
  "second-own-5        second own      5 pass"
  "second-applying-5   second applying 5 pass"
  "second-waiting-5    second waiting  5 pass"
)

# The darts of each round, a turn as three cells "COL ROW DX" (DX shifts the click so that two
# clicks on one cell are no double click). The first closes everything with 60 points over the
# second's none by round 8, so the match ends by closure after the second's turn of round 8.
misses="3 7 -7,3 7 0,3 7 7"
first_darts=("$misses" "$misses" "3 1 0,3 2 0,3 3 0" "$misses" "$misses" "$misses"
  "3 4 0,3 5 0,3 6 0" "1 7 0,2 7 0,3 1 0")
second_darts=("$misses" "$misses" "2 1 0,1 2 0,3 7 0" "$misses" "$misses" "$misses"
  "2 3 0,3 7 -7,3 7 7" "$misses")
last_round=${#first_darts[@]}

other() { if [ "$1" = first ]; then echo second; else echo first; fi; }

# The rows of the side's newest record (a program that started afresh leaves an older one).
record_of() {
  local records
  records=$(dirname "$(settings_of "$1")")/records
  find "$records" -maxdepth 1 -name '*.csv' 2>/dev/null | LC_ALL=C sort | tail -n 1
}
record_rows() {
  local file
  file=$(record_of "$1")
  if [ -n "$file" ]; then wc -l <"$file"; else echo 0; fi
}

enter_darts() { # SIDE ROUND
  local darts=${1}_darts cell
  darts=${darts}[$(($2 - 1))]
  local IFS=,
  for cell in ${!darts}; do
    IFS=' '
    # shellcheck disable=SC2086
    cell_click "$1" $cell
  done
}

# kill_side SIDE: SIGKILL, whether it runs or is stopped.
kill_side() {
  local pid=${1}_pid
  pid=${!pid}
  eval "${1}_pid=''" # from now on its end is expected
  kill -KILL "$pid"
  wait_for "the $1 player's program to end" ended "$pid"
  { reap "$pid"; } 2>/dev/null || true # its status tells the signal
}

# A caption of a link that is up: the last link event was a connection made or accepted.
link_up() {
  local caption
  caption=$(xdotool getwindowname "$1" 2>/dev/null) || return 1
  [ "$caption" = "Markwick = Client = 接続完了" ] || [ "$caption" = "Markwick = Server = 接続中 " ]
}

# restart SIDE: the program again from its folder. It offers to go on with the match of its
# record, and "はい" (Return, the default button) opens its board; a program whose record holds
# no turn yet opens the start dialog instead, and its player starts as at first. Then both
# links come up, as before the first turn of the reference.
restart() {
  if [ "$(record_rows "$1")" -le 1 ]; then
    if [ "$1" = first ]; then start_side first --rival-trying; else start_side second; fi
  else
    local pid box board
    boxes_expected=1
    start_program "$1"
    pid=${1}_pid
    pid=${!pid}
    box=$(window_of "$pid" '^Markwick$')
    focus "$box"
    xdotool key Return
    wait_for "the $1 player's question to close" no_box "$pid"
    boxes_expected=0
    board=$(window_of "$pid" '^Markwick (\[|=)')
    eval "${1}_board=$board"
    local left=${1}_board_left top=${1}_board_top
    geometry_is "$board" "${!left}" "${!top}" $board_w $board_h
  fi
  wait_for "both links to come up after the restart" \
    eval 'link_up "$first_board" && link_up "$second_board"'
}

# play_turn SIDE ROUND: the side's turn, with the loss of the case where it falls.
play_turn() {
  local side=$1 round=$2 rival
  rival=$(other "$side")
  if [ "$round" = "$case_round" ] && [ "$rival" = "$case_side" ] && [ "$case_point" = waiting ]; then
    wait_for "round $round: the $side player's turn" status_is "$side" blue
    kill_side "$case_side"
    lost=1
  fi
  wait_for "round $round: the $side player's turn" status_is "$side" blue
  local rows
  rows=$(record_rows "$side")
  enter_darts "$side" "$round"
  if [ "$round" = "$case_round" ] && [ "$side" = "$case_side" ] && [ "$case_point" = own ]; then
    kill_side "$side"
    restart "$side"
    wait_for "round $round: the $side player's turn after the restart" status_is "$side" blue
    enter_darts "$side" "$round"
  fi
  local stopped=""
  if [ "$round" = "$case_round" ] && [ "$rival" = "$case_side" ] && [ "$case_point" = applying ]; then
    local pid=${rival}_pid
    stopped=${!pid}
    eval "${rival}_pid=''" # a stopped program answers no guard
    kill -STOP "$stopped"
  fi
  if [ "$side" = second ] && ((round == last_round)); then boxes_expected=1; fi
  send_click "$side"
  # The turn is in the sender's record before it leaves.
  wait_for "round $round: the $side player's turn in its record" \
    eval '(($(record_rows "$side") >= rows + 3))'
  if [ -n "$stopped" ]; then
    eval "${rival}_pid=$stopped"
    kill_side "$rival"
    restart "$rival"
  elif [ -n "${lost:-}" ]; then
    lost=""
    restart "$rival"
  fi
}

# play_match CASE SIDE POINT ROUND: the whole match from both starts, then its end read into
# the folder $work/CASE.
play_match() {
  local name=$1
  case_side=$2 case_point=$3 case_round=$4
  rm -rf "$work/first" "$work/second"
  write_settings first
  write_settings second
  start_side first
  start_side second
  wait_for "the captions [Markwick = Client = 接続完了] (first player) and [Markwick = Server = 接続中 ] (second)" linked
  local round
  for ((round = 1; round <= last_round; round++)); do
    play_turn first "$round"
    play_turn second "$round"
  done
  answer_box second "$work/result.second.png"
  answer_box first "$work/result.first.png"
  boxes_expected=0
  read_end "$name"
}

# read_end CASE: what the match left on both sides, into $work/CASE; then both programs end.
read_end() {
  local out="$work/$1" side pid
  mkdir -p "$out"
  for side in first second; do
    pid=${side}_pid
    pid=${!pid}
    local stats board
    stats=$(window_of "$pid" '^成績$')
    board=${side}_board
    board=${!board}
    capture "the $side player's STATS window" "$stats" "$out/$side.stats.png"
    xdotool getwindowname "$board" >"$out/$side.caption"
    # The board as the player sees it, then the state dump of its status line's click.
    # shellcheck disable=SC2086
    capture "the $side player's board" "$board" "$out/$side.board.png" $board_spot
    boxes_expected=1
    local left=${side}_board_left top=${side}_board_top part box
    click $((${!left} + 84 + 2)) $((${!top} + 168 + 6))
    for part in 1 2; do
      box=$(window_of "$pid" '^Markwick$')
      capture "the $side player's state dump box $part" "$box" "$out/$side.dump$part.png"
      xdotool key Return
      wait_for "the $side player's state dump box $part to close" \
        eval "! xdotool search --onlyvisible --pid $pid --name '^Markwick\$' | grep -qx $box"
    done
    wait_for "the $side player's state dump to close" no_box "$pid"
    boxes_expected=0
    local file
    file=$(record_of "$side")
    cp "$file" "$out/$side.csv"
    basename "$file" | sed 's/^[0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\}_[0-9]\{6\}_//' >"$out/$side.record-name"
    find "$(dirname "$file")" -maxdepth 1 -name '*.csv' | wc -l >"$out/$side.record-count"
  done
  for side in first second; do close_board "$side"; done
}

# differences CASE: what differs from the reference, one line each; nothing when all agree.
differences() {
  local ref="$work/reference" out="$work/$1" side what
  for side in first second; do
    cmp -s "$ref/$side.csv" "$out/$side.csv" ||
      echo "the $side player's record: $(diff "$ref/$side.csv" "$out/$side.csv" | tr '\r\n' '  ')"
    cmp -s "$ref/$side.record-name" "$out/$side.record-name" ||
      echo "the $side player's record's name: $(cat "$out/$side.record-name")"
    # A caption tells the last link event: after a restart the two connections may have come
    # up in the other order, and either caption of a link that is up will do.
    case $(cat "$out/$side.caption") in
      "Markwick = Client = 接続完了" | "Markwick = Server = 接続中 ") ;;
      *) echo "the $side player's caption: [$(cat "$out/$side.caption")], not [$(cat "$ref/$side.caption")]" ;;
    esac
    for what in stats board dump1 dump2; do
      compare -metric AE "$ref/$side.$what.png" "$out/$side.$what.png" null: 2>/dev/null || {
        cp "$out/$side.$what.png" "$artefacts/$artefact_prefix-$1-$side.$what.png"
        cp "$ref/$side.$what.png" "$artefacts/$artefact_prefix-reference-$side.$what.png"
        echo "the $side player's $what window (image: $artefacts/$artefact_prefix-$1-$side.$what.png," \
          "reference: $artefacts/$artefact_prefix-reference-$side.$what.png)"
      }
    done
  done
}

# --- the matrix --------------------------------------------------------------------------------

start_display
step_seconds=120 wait_for "the ports 50001 and 50100 to be free" ports_free
rm -f "$artefacts/$artefact_prefix"-*.png # of an earlier failure
# Each side's result box as its platform shows it.
for side in first second; do reference_box "太郎60 Win!!" "$work/result.$side.png" $side; done

play_match reference none none 0
echo "reference: $(cat "$work/reference/first.record-count") + $(cat "$work/reference/second.record-count") records"

failures=()
for row in "${cases[@]}"; do
  read -r name side point round expected <<<"$row"
  [ -z "$only_case" ] || [[ " $only_case " == *" $name "* ]] || continue
  started_at=$SECONDS
  # Each case in a subshell of its own: a case that cannot go on (a hang, a box) ends there,
  # with the programs it started, and the matrix goes on.
  status=0
  (
    started=()
    trap stop_started EXIT
    play_match "$name" "$side" "$point" "$round"
  ) 2>"$work/$name.log" || status=$?
  if ((status != 0)); then
    found="it did not play to its end: $(grep -m 1 '^FAIL: ' "$work/$name.log" || echo "status $status")"
  else
    found=$(differences "$name")
  fi
  if [ -z "$found" ] && [ "$expected" = pass ]; then
    echo "PASS $name ($((SECONDS - started_at)) s)"
  elif [ -n "$found" ] && [ "$expected" = xfail ]; then
    echo "XFAIL $name: $found"
  else
    if [ -n "$found" ]; then
      echo "FAIL $name: $found" >&2
    else
      echo "XPASS $name: ends as the reference, though marked as failing" >&2
    fi
    cat "$work/$name.log" >&2
    failures+=("$name")
  fi
done
[ ${#failures[@]} = 0 ] || fail "cases that did not end as expected: ${failures[*]}"
echo "PASS: every case of the kill matrix ended as expected"
