#!/usr/bin/env bash
# Two Markwick programs play a short match on a display of their own, driven only by the mouse
# (and the Return key for message boxes) as two users would.
#
#   two_programs.sh [--second-first] [--wine WINE_RUN | --installed] MARKWICK X11_PROBE
#                   SHOW_MESSAGE_BOX [ARTEFACT_DIR]
#
# With --second-first the second player starts 3 seconds before the first: its connect is
# refused, which shows one error box; then no other box while it tries again by itself, and
# once the first player starts the link forms and the match is played as in the right order.
#
# With --wine, MARKWICK and SHOW_MESSAGE_BOX are the Windows programs, run by WINE_RUN
# (tools/wine-run) on Wine's own platform; X11_PROBE is a Linux program as always.
#
# Each program runs from its own folder with its own Markwick.ini. With --installed, MARKWICK is
# an installed program in a folder the user cannot write: both run it from there, each with a
# configuration folder of its own ($XDG_CONFIG_HOME) that holds its Markwick.ini; first, one
# of them starts without settings, and its "先攻いきます" must create the file there.
#
# The first player presses "先攻いきます", then the second "後攻待ちます"; the first closes
# every target with 60 points in three rounds while the second misses, so the match ends by
# closure. Checked: the window places, the captions the link events leave on each side, the
# result boxes on both sides (pixel for pixel against the program's own message box with the
# expected text), the status line's colour through the turns, the settings files' bytes, the
# STATS windows that open by themselves after the result (the same figures on both sides, pixel
# for pixel; closing one leaves its program running), each side's match record (the same darts,
# its own with their texts), and that closing the first player's board ends it and shows the
# second that its connection closed.
set -euo pipefail

wine_run=""
installed=""
second_first=""
if [ "${1:-}" = --second-first ]; then
  second_first=1
  shift
fi
if [ "${1:-}" = --installed ]; then
  installed=1
  shift
elif [ "${1:-}" = --wine ]; then
  wine_run=$2
  shift 2
fi
if [ $# -lt 3 ]; then
  echo "usage: $0 [--wine WINE_RUN | --installed] MARKWICK X11_PROBE SHOW_MESSAGE_BOX" \
    "[ARTEFACT_DIR]" >&2
  exit 2
fi
markwick=$1
probe=$2
show_message_box=$3
artefacts=${4:-$PWD}

artefact_prefix=two_programs

# shellcheck source=desktop.sh
source "$(dirname "$0")/desktop.sh"

# --- the STATS ---------------------------------------------------------------------------------

# Both STATS windows show the same figures: captured each while it has the focus, as for the
# boxes.
same_stats() {
  focus "$first_stats"
  save_box "$first_stats" "$work/first.stats.png"
  focus "$second_stats"
  save_box "$second_stats" "$work/second.stats.png"
  compare -metric AE "$work/first.stats.png" "$work/second.stats.png" null: 2>/dev/null
}

# --- the match ---------------------------------------------------------------------------------

start_display

step_seconds=120 wait_for "the ports 50001 and 50100 to be free" ports_free

rm -f "$artefacts"/two_programs-*.png # of an earlier failure
reference_box "太郎60 Win!!" "$work/result.png"

if [ -n "$installed" ]; then
  # The first start of the installed program: no settings file yet, the dialog at its default
  # place; "先攻いきます" shows the board and creates the file in the configuration folder.
  mkdir -p "$work/first"
  start_program first
  dialog=$(window_of "$first_pid" '^Markwick: StartGame$')
  geometry_is "$dialog" 511 140 $dialog_w $dialog_h
  click $((511 + 4 + 292 + 38)) $((140 + 4 + 12 + 12)) # "先攻いきます"
  first_board=$(window_of "$first_pid" '^Markwick \[先攻\]$')
  check_settings first "first start of the installed program" defaults
  [ ! -e "$(dirname "$markwick")/Markwick.ini" ] ||
    fail "a settings file beside the installed program"
  close_board first
fi

write_settings first
write_settings second

if [ -n "$second_first" ]; then
  second_started=$SECONDS
  # Nobody listens yet: the refusal's error box, once; the tries that follow show nothing.
  boxes_expected=1
  start_side second
  box=$(window_of "$second_pid" '^Markwick$')
  focus "$box"
  xdotool key Return
  wait_for "the second player's error box to close" no_box "$second_pid"
  boxes_expected=0
  wait_for "3 seconds without another box" eval '((SECONDS - second_started >= 3))'
  start_side first --rival-trying
else
  start_side first
  start_side second
fi

# Both sides end with the caption of their last link event (the window list of a failure shows
# the captions they have instead).
wait_for "the captions [Markwick = Client = 接続完了] (first player) and [Markwick = Server = 接続中 ] (second)" linked
wait_for "the second player's status line to turn red" status_is second red

# Three rounds. The first player: 20T 19T 20T, 18T 17T 16T, 15T DB SB: every target closed and
# three marks over on 20 (60 points) while the second has none. The second player misses three
# times a round; its clicks on the miss cell stand 7 pixels apart, so that none is a double click.
first_turns=("3 1" "3 2" "3 1" "3 3" "3 4" "3 5" "3 6" "1 7" "2 7")
for round in 1 2 3; do
  echo "round $round"
  for dart in 0 1 2; do
    # shellcheck disable=SC2086
    cell_click first ${first_turns[$(((round - 1) * 3 + dart))]}
  done
  send_click first
  wait_for "round $round: the first player to wait" status_is first red
  wait_for "round $round: the second player's turn" status_is second blue
  cell_click second 3 7 -7
  cell_click second 3 7 0
  cell_click second 3 7 7
  if ((round == 3)); then boxes_expected=1; fi
  send_click second
  if ((round < 3)); then
    wait_for "round $round: the second player to wait" status_is second red
    wait_for "round $round: the first player's next turn" status_is first blue
  fi
done

# The win by closure: the second judges right after sending, the first on receipt; both show
# the first player's name and score.
answer_box second "$work/result.png"
answer_box first "$work/result.png"
boxes_expected=0
# Then the STATS windows open by themselves, with the same figures on both sides.
first_stats=$(window_of "$first_pid" '^成績$')
second_stats=$(window_of "$second_pid" '^成績$')
deadline=$((SECONDS + step_seconds))
until same_stats; do
  if ((SECONDS >= deadline)); then
    cp "$work/first.stats.png" "$artefacts/two_programs-first-stats.png"
    cp "$work/second.stats.png" "$artefacts/two_programs-second-stats.png"
    fail "the STATS windows differ (images: $artefacts/two_programs-{first,second}-stats.png)"
  fi
  guard
  sleep 0.1
done
# The first player's next turn has opened (blue) though no dart can be entered; the second
# stays in red.
wait_for "the first player's status line after the result" status_is first blue
wait_for "the second player's status line after the result" status_is second red

# A click on either grid now shows the result again instead of entering a dart.
boxes_expected=1
cell_click first 3 1
answer_box first "$work/result.png"
cell_click second 3 1
answer_box second "$work/result.png"
boxes_expected=0

# Closing a STATS window only hides it: its program runs on (the guard of every wait checks).
"$probe" close "$second_stats"
wait_for "the second player's STATS window to close" eval '[ -z "$(visible "$second_pid" ^成績$)" ]'

linked || fail "captions changed during the match: first $(show_caption "$first_board")," \
  "second $(show_caption "$second_board")"

# The first player closes its board as a window manager's close button would: the program ends,
# and the second sees its outgoing connection close.
close_board first
wait_for "the second player's caption after the rival left" \
  caption_is "$second_board" "Markwick = Client = 切断"

close_board second

# Nothing is saved when a program ends but the records: one a side, beside its settings file,
# with the same darts; each knows the texts of its own.
check_settings first "after the end"
check_settings second "after the end"
first_records=$(dirname "$(settings_of first)")/records
second_records=$(dirname "$(settings_of second)")/records
records=("$first_records"/*_太郎_Bob.csv "$second_records"/*_太郎_Bob.csv)
[ ${#records[@]} = 2 ] && [ -f "${records[0]}" ] && [ -f "${records[1]}" ] ||
  fail "not one record a side: $(ls "$first_records" "$second_records" 2>&1)"
cmp -s <(cut -d, -f1-5,7 "${records[0]}") <(cut -d, -f1-5,7 "${records[1]}") ||
  fail "the two records differ: $(diff "${records[@]}")"
[ "$(cut -d, -f6 "${records[0]}" | tr -d '\r\n')" = 表示20T19T20T18T17T16T15TDBSB ] &&
  [ "$(cut -d, -f6 "${records[1]}" | tr -d '\r\n')" = 表示××××××××× ] ||
  fail "the records' darts: $(cat "${records[@]}")"
# Each record knows which darts are its own program's, and the rival's address of the match.
[ "$(cut -d, -f2,8,9 "${records[0]}" | LC_ALL=C sort -u | tr -d '\r' | tr '\n' ' ')" = \
  "Bob,相手,127.0.0.1 プレイヤー,側,相手アドレス 太郎,自分,127.0.0.1 " ] &&
  [ "$(cut -d, -f2,8,9 "${records[1]}" | LC_ALL=C sort -u | tr -d '\r' | tr '\n' ' ')" = \
    "Bob,自分,127.0.0.1 プレイヤー,側,相手アドレス 太郎,相手,127.0.0.1 " ] ||
  fail "the records' sides: $(cat "${records[@]}")"

echo "PASS: two programs played a match to a win by closure"

