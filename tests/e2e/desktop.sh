# shellcheck shell=bash disable=SC2154,SC2034
# What the end-to-end scripts share, sourced by them once they have set:
#   markwick, probe, show_message_box  the programs (see two_programs.sh)
#   artefacts                          the folder for the images of a failure
#   artefact_prefix                    the start of those images' names
#   wine_run                           tools/wine-run for the Windows programs, else empty
#   wine_side                          empty: both sides run the Windows programs (with
#                                      wine_run); "first" or "second": that side alone runs
#                                      wine_markwick and wine_show_message_box, the other the
#                                      Linux programs markwick and show_message_box
#   wine_markwick, wine_show_message_box  the Windows programs of a wine_side
#   installed                          1 for an installed program, else empty
# It defines the two sides "first" and "second" (their folders, settings and screen places),
# the display, the waits with their guard, the clicks on the board and the message boxes.
#
# Xvfb runs without a window manager, so every window stands exactly where the program puts it:
# the start dialog's frame at LEFT,TOP from the settings file, the board centred over it. Qt on
# X11 has no frame then (the client area is the frame); Wine draws none either but keeps room
# for its caption, so its client area stands 23 pixels below the frame's top.

if [ -n "$wine_run" ]; then
  # A Wine prefix of its own: its desktop process takes this test's display.
  WINEPREFIX=$("$(dirname "$wine_run")/wine-prefix" wine-prefix-display)
  export WINEPREFIX
fi

step_seconds=30 # the longest any single step may take (the sanitizer build is slow to start)

work=$(mktemp -d "${TMPDIR:-/tmp}/markwick-e2e.XXXXXX")
started=()    # every process this script started, by pid
xvfb_pid=""
first_pid=""
second_pid=""
boxes_expected=0 # while 0, a message box on either side is a failure

# --- bookkeeping -------------------------------------------------------------------------------

# The programs first, the display last.
stop_started() {
  local i pid deadline
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill -TERM "${started[i]}" 2>/dev/null || true; done
  deadline=$((SECONDS + 5))
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    pid=${started[i]}
    while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.05; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  started=()
}

# reap PID: the exit status of a process that has ended; it is no longer ours to stop.
reap() {
  local status=0 keep=() p
  wait "$1" || status=$?
  for p in "${started[@]}"; do [ "$p" = "$1" ] || keep+=("$p"); done
  started=("${keep[@]}")
  return "$status"
}

cleanup() {
  stop_started
  if [ -n "$wine_run" ]; then wineserver --kill 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # so that the cleanup runs on these too

alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }

diagnostics() {
  echo "--- windows on the display" >&2
  if alive "$xvfb_pid"; then
    local w
    for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
      printf '  %s pid=%s [%s] %s\n' "$w" "$(xdotool getwindowpid "$w" 2>/dev/null || echo ?)" \
        "$(xdotool getwindowname "$w" 2>/dev/null)" \
        "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=' |
          tr '\n' ' ')" >&2
    done
    local shot="$artefacts/${artefact_prefix}-failure.png"
    if import -window root "$shot" 2>/dev/null; then echo "--- screenshot: $shot" >&2; fi
  fi
  local side
  for side in first second; do
    if [ -f "$work/$side.log" ]; then
      echo "--- output of the $side player's program" >&2
      cat "$work/$side.log" >&2
    fi
    if [ -f "$(settings_of "$side")" ]; then
      echo "--- ${side}'s Markwick.ini" >&2
      od -c "$(settings_of "$side")" >&2
    fi
  done
}

fail() {
  echo "FAIL: $*" >&2
  diagnostics
  exit 1
}

# --- waiting -----------------------------------------------------------------------------------

visible() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null || true; }

save_box() { import -window "$1" "$2" 2>/dev/null || true; }

# focus WINDOW [X Y]: raises the window and gives it the keyboard focus (no window manager
# does it).
focus() {
  timeout "$step_seconds" xdotool windowraise "$1" windowfocus --sync "$1" ||
    fail "window $1 does not take the focus"
  # Wine makes a window active (and shows its focus) only when it is clicked: a click at X,Y,
  # by default its top left corner, where the boxes and the STATS window have no control (the
  # board has its grid there: see board_spot).
  if [ -n "$wine_run" ]; then xdotool mousemove --window "$1" "${2:-2}" "${3:-2}" click 1; fi
}
# A point of the board where a click does nothing: the form between the grid and the round
# counter. A click on the grid would select a cell (after the match, show its result again).
board_spot="2 188"

# capture WHAT WINDOW FILE [X Y]: the window with the keyboard focus (given by a click at X,Y
# under Wine), once two shots in a row agree.
capture() {
  local what=$1 deadline=$((SECONDS + step_seconds))
  shift
  focus "$1" "${@:3}"
  save_box "$1" "$2.a.png"
  until save_box "$1" "$2" && compare -metric AE "$2.a.png" "$2" null: 2>/dev/null; do
    ((SECONDS < deadline)) || fail "$what does not settle"
    cp "$2" "$2.a.png"
    sleep 0.1
  done
  rm -f "$2.a.png"
}

# Called on every poll: both programs must still run, and no box may be open unexpectedly.
guard() {
  local side pid box
  for side in first second; do
    pid=${side}_pid
    pid=${!pid}
    [ -z "$pid" ] && continue
    alive "$pid" || fail "the $side player's program ended"
    if ((boxes_expected == 0)); then
      box=$(visible "$pid" '^Markwick$' | head -n 1)
      if [ -n "$box" ]; then
        save_box "$box" "$artefacts/${artefact_prefix}-unexpected-box.png"
        fail "unexpected message box on the $side player's side" \
          "(image: $artefacts/${artefact_prefix}-unexpected-box.png)"
      fi
    fi
  done
}

# wait_for DESCRIPTION COMMAND...: polls COMMAND until it succeeds, for at most step_seconds.
wait_for() {
  local what=$1 deadline=$((SECONDS + step_seconds))
  shift
  until "$@"; do
    guard
    ((SECONDS < deadline)) || fail "timed out waiting for $what"
    sleep 0.05
  done
}

# --- the display -------------------------------------------------------------------------------

start_display() {
  local cookie
  cookie=$(mcookie)
  # -noreset: the server stays up when its last client leaves (the reference box, a program).
  # The server takes every cookie of its file, whatever display number the entry names.
  touch "$work/xauthority"
  xauth -q -f "$work/xauthority" add :0 . "$cookie"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -auth "$work/xauthority" \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  started+=("$xvfb_pid")
  local deadline=$((SECONDS + step_seconds))
  until [ -s "$work/display" ]; do
    alive "$xvfb_pid" || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
    ((SECONDS < deadline)) || fail "timed out waiting for Xvfb"
    sleep 0.05
  done
  export DISPLAY=":$(tr -d '\n' <"$work/display")"
  xauth -q -f "$work/xauthority" add "$DISPLAY" . "$cookie"
  export XAUTHORITY="$work/xauthority"
  # Everything below talks to this display only, and the programs run on xcb (on Windows'
  # own platform under Wine).
  export QT_QPA_PLATFORM=xcb
  unset SESSION_MANAGER WAYLAND_DISPLAY
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
  echo "display $DISPLAY"
}

# --- the ports ---------------------------------------------------------------------------------

# The test holds the port lock among the project's tests; a program outside them (another build
# running its tests) may still listen there for a while.
ports_free() {
  # 50001 = C351, 50100 = C3B4; state 0A is LISTEN. Read only: nobody else's socket is touched.
  ! awk 'NR > 1 && $4 == "0A" { split($2, a, ":"); print a[2] }' /proc/net/tcp /proc/net/tcp6 |
    grep -qE '^(C351|C3B4)$'
}

# --- the programs ------------------------------------------------------------------------------

# With both sides on Wine, the programs given are the Windows ones.
if [ -n "$wine_run" ] && [ -z "${wine_side:-}" ]; then
  wine_markwick=$markwick wine_show_message_box=$show_message_box
fi
# on_wine SIDE: the side runs the Windows programs.
on_wine() { [ -n "$wine_run" ] && { [ -z "${wine_side:-}" ] || [ "$wine_side" = "$1" ]; }; }
exe_of() { if on_wine "$1"; then echo Markwick.exe; else echo Markwick; fi; }
program_of() { if on_wine "$1"; then echo "$3"; else echo "$2"; fi; } # SIDE LINUX WINDOWS
# Pixels between a frame's top and its client area's on the side's platform.
client_dy_of() { if on_wine "$1"; then echo 23; else echo 0; fi; }

# Screen places of the frames; the client areas stand client_dy pixels lower. The dialogs stand
# apart from each other and from the screen's centre, where the message boxes appear.
first_left=40 first_top=100
second_left=800 second_top=600
dialog_w=385 dialog_h=153
board_w=270 board_h=229

# The board's client area, its frame centred over the start dialog's.
board_left() { echo $(($1 + (dialog_w - board_w) / 2)); }
board_top() { echo $(($1 + (dialog_h - board_h) / 2 + $2)); } # TOP CLIENT_DY

# settings_of SIDE: the side's settings file: beside its copy of the program, or in its
# configuration folder for the installed program.
settings_of() {
  if [ -n "$installed" ]; then
    echo "$work/$1/config/Markwick/Markwick.ini"
  else
    echo "$work/$1/Markwick.ini"
  fi
}

# write_settings SIDE: the settings file in code page 932 (first name "太郎" = 91 BE 98 59),
# with the dialog's place in the other integer forms the file may hold.
write_settings() {
  mkdir -p "$work/$1" "$(dirname "$(settings_of "$1")")"
  [ -n "$installed" ] ||
    cp "$(program_of "$1" "$markwick" "${wine_markwick:-}")" "$work/$1/$(exe_of "$1")"
  if [ "$1" = first ]; then
    printf '[Parameter]\r\nIPAddress=127.0.0.1\r\nFName=\x91\xbe\x98\x59\r\nSName=Hanako\r\n'
    printf '[Form]\r\nTOP=0x64\r\nLEFT=$28\r\n' # 100, 40
  else
    printf '[Parameter]\r\nIPAddress=127.0.0.1\r\nFName=Taro\r\nSName=Bob\r\n'
    printf '[Form]\r\nTOP= 600\r\nLEFT=0X320\r\n' # 600, 800
  fi >"$(settings_of "$1")"
}

# expected_settings SIDE: what the start button writes: the same keys in the same order, TOP
# and LEFT in decimal from the dialog's place; "defaults" for a first start without a file.
expected_settings() {
  if [ "$1" = defaults ]; then
    printf '[Parameter]\r\nIPAddress=xxx.XXX.xxx.XXX\r\nFName=Player1\r\nSName=Player2\r\n'
    printf '[Form]\r\nTOP=140\r\nLEFT=511\r\n'
  elif [ "$1" = first ]; then
    printf '[Parameter]\r\nIPAddress=127.0.0.1\r\nFName=\x91\xbe\x98\x59\r\nSName=Hanako\r\n'
    printf '[Form]\r\nTOP=%d\r\nLEFT=%d\r\n' "$first_top" "$first_left"
  else
    printf '[Parameter]\r\nIPAddress=127.0.0.1\r\nFName=Taro\r\nSName=Bob\r\n'
    printf '[Form]\r\nTOP=%d\r\nLEFT=%d\r\n' "$second_top" "$second_left"
  fi
}

# check_settings SIDE WHEN [EXPECTED]: the side's settings file holds EXPECTED (default SIDE).
check_settings() {
  local expected=${3:-$1}
  expected_settings "$expected" >"$work/$1.expected.ini"
  if ! cmp -s "$work/$1.expected.ini" "$(settings_of "$1")"; then
    echo "--- expected $(settings_of "$1")" >&2
    od -c "$work/$1.expected.ini" >&2
    fail "the $1 player's settings file is not as written by its start button ($2)"
  fi
}

# run SIDE PROGRAM [ARGS...]: in the current folder, under Wine on Windows' own platform for a
# side that runs the Windows programs.
run() {
  local side=$1
  shift
  if on_wine "$side"; then QT_QPA_PLATFORM=windows exec "$wine_run" "$@"; else exec "$@"; fi
}

start_program() {
  if [ -n "$installed" ]; then
    (cd "$work/$1" && export XDG_CONFIG_HOME="$work/$1/config" && run "$1" "$markwick") \
      >"$work/$1.log" 2>&1 &
  else
    (cd "$work/$1" && run "$1" "./$(exe_of "$1")") >"$work/$1.log" 2>&1 &
  fi
  local pid=$!
  started+=("$pid")
  eval "${1}_pid=$pid"
}

geometry_is() { # WINDOW X Y W H
  local g
  g=$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' ')
  [ "$g" = "X=$2 Y=$3 WIDTH=$4 HEIGHT=$5 " ] || fail "window $1 stands at $g, not at $2,$3 $4x$5"
}

window_of() { # PID REGEX: the first visible window that matches, waited for
  local w deadline=$((SECONDS + step_seconds))
  until w=$(visible "$1" "$2" | head -n 1) && [ -n "$w" ]; do
    guard
    ((SECONDS < deadline)) || fail "timed out waiting for a window '$2' of pid $1"
    sleep 0.05
  done
  echo "$w"
}

ended() { ! kill -0 "$1" 2>/dev/null; }
no_box() { [ -z "$(visible "$1" '^Markwick$')" ]; }

caption_is() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; }

show_caption() { printf '[%s]' "$(xdotool getwindowname "$1" 2>/dev/null)"; }

click() { xdotool mousemove "$1" "$2" click 1; }

# Grid cells: columns 100/20/20/20/100 and rows 17 pixels, each followed by a 1-pixel line, the
# grid at 2,0 in the board's client area. cell_click SIDE COL ROW [DX]: the cell's middle,
# shifted DX pixels.
col_start=(0 101 122 143 164)
col_width=(100 20 20 20 100)
cell_click() {
  local left=${1}_board_left top=${1}_board_top
  click $((${!left} + 2 + col_start[$2] + col_width[$2] / 2 + ${4:-0})) $((${!top} + $3 * 18 + 8))
}

send_click() { # Button1 "送信" at 212,192, 53x33
  local left=${1}_board_left top=${1}_board_top
  click $((${!left} + 212 + 26)) $((${!top} + 192 + 16))
}

# The status line Label6 (84,168) is blue (0,0,255) while the player may enter darts and red
# (255,0,0) while waiting: count the pixels of either hue in the strip where it stands.
hue_count() { # SIDE red|blue
  local left=${1}_board_left top=${1}_board_top
  "$probe" count "$2" $((${!left} + 84)) $((${!top} + 166)) 180 16
}
status_is() { # SIDE red|blue
  local blue red
  blue=$(hue_count "$1" blue)
  red=$(hue_count "$1" red)
  case $2 in
    blue) ((blue > 20 && red == 0)) ;;
    red) ((red > 20 && blue == 0)) ;;
  esac
}

first_board_left=$(board_left $first_left)
first_board_top=$(board_top $first_top "$(client_dy_of first)")
second_board_left=$(board_left $second_left)
second_board_top=$(board_top $second_top "$(client_dy_of second)")

# start_side SIDE [--rival-trying]: the side's program starts and its player presses the
# side's button: the first player "先攻いきます" and plays first, the second "後攻待ちます" and
# waits as second (the two connections come up). With --rival-trying the second already tries
# to connect and may link up with the first at once.
start_side() {
  local side=$1 left=${1}_left top=${1}_top pid=${1}_pid board_left=${1}_board_left
  local board_top=${1}_board_top dy dialog board button button_dy
  if [ "$side" = first ]; then
    button=先攻いきます button_dy=$((4 + 12 + 12))
  else
    button=後攻待ちます button_dy=$((52 + 16 + 12))
  fi
  start_program "$side"
  pid=${!pid}
  dialog=$(window_of "$pid" '^Markwick: StartGame$')
  dy=$(client_dy_of "$side")
  geometry_is "$dialog" "${!left}" $((${!top} + dy)) $dialog_w $dialog_h
  click $((${!left} + 4 + 292 + 38)) $((${!top} + dy + button_dy))
  board=$(window_of "$pid" '^Markwick (\[|=)')
  eval "${side}_board=$board"
  geometry_is "$board" "${!board_left}" "${!board_top}" $board_w $board_h
  [ -z "$(visible "$pid" '^Markwick: StartGame$')" ] ||
    fail "the $side player's dialog is still shown"
  # Nobody has connected yet: the role caption has replaced the listening one. A second player
  # already trying may have linked up by now; the captions it ends with are checked later.
  if [ "$side" = first ] && [ "${2:-}" != --rival-trying ]; then
    caption_is "$board" "Markwick [先攻]" ||
      fail "first player's caption $(show_caption "$board"), not [Markwick [先攻]]"
  fi
  check_settings "$side" "after $button"
  if [ "$side" = first ]; then
    wait_for "the first player's status line to turn blue" status_is first blue
  fi
}

# Both programs have linked up as when the second joined the first.
linked() {
  caption_is "$first_board" "Markwick = Client = 接続完了" &&
    caption_is "$second_board" "Markwick = Server = 接続中 "
}

# close_board SIDE: closes the side's board as a window manager's close button would: its
# program ends, with status 0.
close_board() {
  local pid=${1}_pid board=${1}_board
  pid=${!pid}
  eval "${1}_pid=''" # from now on its end is expected
  "$probe" close "${!board}"
  wait_for "the $1 player's program to end" ended "$pid"
  reap "$pid" || fail "the $1 player's program ended with status $?"
}

# --- message boxes -----------------------------------------------------------------------------

# The reference: the program's own message box with the expected text, shown by a helper that
# uses the same code, on the platform of SIDE (default first). Captured once it stands still,
# with the keyboard focus, as a user sees it.
reference_box() { # TEXT FILE [SIDE]
  local side=${3:-first}
  # Named Markwick like the program: the box's width also depends on its caption.
  mkdir -p "$work/reference"
  cp "$(program_of "$side" "$show_message_box" "${wine_show_message_box:-}")" \
    "$work/reference/$(exe_of "$side")"
  (cd "$work/reference" && run "$side" "./$(exe_of "$side")" "$1") >"$work/reference.log" 2>&1 &
  local pid=$!
  started+=("$pid")
  local box
  box=$(window_of "$pid" '.*')
  capture "the reference box" "$box" "$2"
  xdotool key Return
  wait_for "the reference box to close" ended "$pid"
  reap "$pid" || fail "the reference box ended with status $?"
}

# answer_box SIDE REFERENCE: waits for the result box on that side, checks that it shows what
# the reference shows, and closes it with Return.
answer_box() {
  local pid=${1}_pid
  pid=${!pid}
  local box
  box=$(window_of "$pid" '^Markwick$')
  focus "$box"
  local shot="$work/$1.box.png" deadline=$((SECONDS + step_seconds))
  until save_box "$box" "$shot" && compare -metric AE "$2" "$shot" null: 2>/dev/null; do
    if ((SECONDS >= deadline)); then
      cp "$shot" "$artefacts/${artefact_prefix}-$1-box.png"
      cp "$2" "$artefacts/${artefact_prefix}-expected-box.png"
      fail "the $1 player's box does not show the expected result" \
        "(image: $artefacts/${artefact_prefix}-$1-box.png," \
        "expected: $artefacts/${artefact_prefix}-expected-box.png)"
    fi
    sleep 0.1
  done
  focus "$box"
  xdotool key Return
  wait_for "the $1 player's box to close" no_box "$pid"
}

