# shellcheck shell=bash
# Shared by the end-to-end tests of the SDL2 program (sourced, not run): a private X server, a
# "disc" folder holding the program, its options.ini and stand-in programs, screenshots of the
# menu window compared with pictures built from the artwork, and waiting with timeouts.
#
# A test script is run as: bash SCRIPT PROGRAM ART_DIR [HELPER...], with TARVELIN_HOT_SPOTS naming
# the build's table of hot spots (one a line: index left top width height).
# Everything it starts is stopped by process id when it exits, also on failure.

set -euo pipefail
# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

readonly PROGRAM=$1 ART_DIR=$2
readonly SCREEN_W=1024 SCREEN_H=768 MENU_W=480 MENU_H=360
readonly TIMEOUT_S=10
# Screen pixels per picture pixel that a test expects the menu to show (a test of a scaling
# desktop sets it before making the expected pictures).
scale=1

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvelin-e2e.XXXXXX")
readonly WORK DISC=$WORK/disc ELSEWHERE=$WORK/elsewhere EXPECTED=$WORK/expected
# Every stand-in start is one line here.
readonly STARTS=$WORK/starts.log
# The options files of the tests, byte for byte.
FIXTURES=$(cd "$(dirname "${BASH_SOURCE[0]}")/fixtures" && pwd)
readonly FIXTURES
# A word unique to this run, passed to the stand-ins so that their processes can be told apart.
readonly RUN_TOKEN=${WORK##*/}

menu_pid=
menu_window=
menu_x=0
menu_y=0
failures=0

# Ends the menu if it runs. For the cleanups, which run with set +e.
stop_menu() {
  if [ -n "$menu_pid" ]; then
    kill "$menu_pid" 2>/dev/null
    wait "$menu_pid" 2>/dev/null
    menu_pid=
  fi
}

cleanup() {
  local status=$?
  set +e
  stop_menu
  xvfb_stop
  rm -rf "$WORK"
  exit "$status"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

pass() { echo "ok: $*"; }

# Ends the script with a summary; non-zero when any check failed.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

# Runs a command until it succeeds; false after TIMEOUT_S seconds.
wait_for() {
  local deadline=$((SECONDS + TIMEOUT_S))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# Starts an X server of its own, on which SDL uses X11.
start_xvfb() {
  xvfb_start "${SCREEN_W}x${SCREEN_H}x24" "$WORK/xvfb.log" || exit 1
  export SDL_VIDEODRIVER=x11
  unset WAYLAND_DISPLAY
  # The desktop scale of the session running the tests is not the test's.
  unset GDK_SCALE
}

# Makes the disc: the program, a copy of this file as options.ini (a fixture, or <(printf ...)
# where the file holds this run's paths or token), and a stand-in program in tools/ that records
# its current directory, its LC_ALL and its arguments. A decoy with the same path in the directory
# the menu starts from records "decoy".
make_disc() {
  mkdir -p "$DISC/tools" "$ELSEWHERE/tools" "$EXPECTED"
  cp "$PROGRAM" "$DISC/tarvelin"
  cat "$1" >"$DISC/options.ini"
  write_stand_in "$DISC/tools/stand-in.sh" 'started'
  write_stand_in "$ELSEWHERE/tools/stand-in.sh" 'decoy'
}

write_stand_in() {
  cat >"$1" <<EOF
#!/bin/sh
line="$2 cwd=\$(pwd -P) LC_ALL=\${LC_ALL-unset}"
for arg in "\$@"; do line="\$line [\$arg]"; done
echo "\$line" >>"$STARTS"
EOF
  chmod +x "$1"
}

# Starts the menu from the disc, with another directory current, and finds its window.
start_menu() {
  # The pointer waits outside the place where the menu opens.
  xdotool mousemove 0 0
  (cd "$ELSEWHERE" && exec "$DISC/tarvelin") 2>"$WORK/menu.err" &
  menu_pid=$!
  await_menu_window
}

# Finds the window of the menu started as $menu_pid and where it is; ends the test when none shows.
await_menu_window() {
  if ! wait_for find_menu_window; then
    cat "$WORK/menu.err" >&2
    echo "the menu window did not appear" >&2
    exit 1
  fi
  read -r menu_x menu_y < <(xwininfo -id "$menu_window" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
}

# The menu's window is 480 x 360 and centred on the screen.
expect_centred_window() {
  local width height
  read -r width height < <(xwininfo -id "$menu_window" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w, h}')
  if [ "$width x $height" = "$MENU_W x $MENU_H" ]; then pass "window is 480 x 360"; else fail "window is $width x $height"; fi
  if [ "$menu_x,$menu_y" = "$(((SCREEN_W - MENU_W) / 2)),$(((SCREEN_H - MENU_H) / 2))" ]; then
    pass "window is centred on the screen"
  else
    fail "window is at $menu_x,$menu_y on a $SCREEN_W x $SCREEN_H screen"
  fi
}

find_menu_window() {
  menu_window=$(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null | head -n1)
  [ -n "$menu_window" ]
}

menu_running() { kill -0 "$menu_pid" 2>/dev/null; }
menu_ended() { ! menu_running; }

# Waits for the menu to end and checks its exit status.
expect_menu_exit_status() {
  local expected=$1 what=$2 status=0
  if ! wait_for menu_ended; then
    fail "$what: the menu is still running"
    return
  fi
  wait "$menu_pid" || status=$?
  menu_pid=
  if [ "$status" -eq "$expected" ]; then
    pass "$what (exit status $status)"
  else
    fail "$what: exit status $status; standard error: $(tr "\n" " " <"$WORK/menu.err")"
  fi
}

# Moves the pointer to a pixel of the menu window, counted from its top-left corner (may lie
# outside it).
point_at() { xdotool mousemove $((menu_x + $1)) $((menu_y + $2)); }

# The six hot spots: index left top width height.
HOT_SPOTS=$(cat "${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}")
readonly HOT_SPOTS

hot_spot() { awk -v k="$1" '$1 == k {print $2, $3, $4, $5}' <<<"$HOT_SPOTS"; }

# Points at the centre of hot spot k (at the expected scale).
point_at_hot_spot() {
  local left top width height
  read -r left top width height < <(hot_spot "$1")
  point_at $(((left + width / 2) * scale)) $(((top + height / 2) * scale))
}

# The box, after a click on the menu, for each of Return, Escape and Space: a click on hot spot K,
# whose program is missing, shows the box; a click on the menu gives the menu the keyboard, and the
# key typed into it answers the box without ending the menu. boxes_are N (the caller's) tells the
# boxes that show; SEAT..., when given, runs the pointer's and keyboard's commands where the
# compositor takes its input.
#   keys_answer_box K [SEAT...]
keys_answer_box() {
  local hot_spot=$1 key
  shift
  for key in Return Escape space; do
    "$@" point_at_hot_spot "$hot_spot"
    sleep 0.6  # not a double-click with the click before
    "$@" xdotool click 1
    if ! wait_for boxes_are 1; then
      fail "$key: a click on entry $hot_spot, whose program is missing, showed no box"
      continue
    fi
    "$@" point_at 20 20
    "$@" xdotool click 1
    "$@" xdotool key "$key"
    if wait_for boxes_are 0 && menu_running; then
      pass "after a click on the menu, $key typed into the menu answers the box"
    else
      fail "after a click on the menu, $key left the box $(menu_running || echo "and ended the menu")"
      return
    fi
  done
}

# Points at the middle of the bare gap between entries k and k + 1 (at the expected scale).
point_at_gap_below() {
  local left top width height next_top
  read -r left top width height < <(hot_spot "$1")
  read -r _ next_top _ < <(hot_spot $(($1 + 1)))
  point_at $(((left + width / 2) * scale)) $(((top + height + next_top) / 2 * scale))
}

# The pictures a user should see: the background alone, and the background with one hot spot's
# rectangle taken from the highlight picture; at the expected scale, each pixel a square. From the
# pictures in the folder given, else the ones the program was built with.
make_expected_pictures() {
  local art=${1:-$ART_DIR}
  local scaled=$((100 * scale))%
  convert "$art/background.bmp" -scale "$scaled" -type TrueColor "$EXPECTED/plain.png"
  local index left top width height
  while read -r index left top width height; do
    convert "$art/background.bmp" \
      \( "$art/highlight.bmp" -crop "${width}x${height}+${left}+${top}" +repage \) \
      -geometry "+${left}+${top}" -composite -scale "$scaled" -type TrueColor "$EXPECTED/lit-$index.png"
    # A highlight that looked like the background would make every hover check pass.
    if same_picture "$EXPECTED/lit-$index.png" "$EXPECTED/plain.png"; then
      echo "highlight.bmp does not differ from background.bmp in hot spot $index" >&2
      exit 1
    fi
  done <<<"$HOT_SPOTS"
}

same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

screenshot() {
  import -silent -window root -crop "$((MENU_W * scale))x$((MENU_H * scale))+${menu_x}+${menu_y}" +repage "$1"
}

screen_shows() {
  screenshot "$WORK/screen.png" && same_picture "$WORK/screen.png" "$EXPECTED/$1.png"
}

# Waits until the menu window shows the expected picture (plain or lit-K).
expect_screen() {
  local picture=$1 what=$2
  if wait_for screen_shows "$picture"; then
    pass "$what"
  else
    local kept
    kept="$PWD/failed-$(basename "$0" .sh)-$failures.png"
    cp "$WORK/screen.png" "$kept"
    fail "$what: the window does not show $picture.png ($(compare -metric AE "$WORK/screen.png" \
      "$EXPECTED/$picture.png" null: 2>&1) pixels differ; screenshot kept in $kept)"
  fi
}

# entry_lit_beside_box K X Y W H [MARGIN]: hot spot K shows its highlight wherever the window at
# X,Y (on the screen), W x H, leaves it to be seen: a message box over the menu; MARGIN pixels
# around it are left out too, where a compositing window manager draws its shadow.
entry_lit_beside_box() {
  local margin=${6:-0}
  local k=$1 x=$(($2 - menu_x - margin)) y=$(($3 - menu_y - margin)) w=$(($4 + 2 * margin)) h=$(($5 + 2 * margin))
  local left top width height
  read -r left top width height < <(hot_spot "$k")
  local masked=(-fill black -draw "rectangle $x,$y $((x + w - 1)),$((y + h - 1))"
                -crop "${width}x${height}+${left}+${top}" +repage)
  screenshot "$WORK/screen.png" && convert "$WORK/screen.png" "${masked[@]}" "$WORK/entry.png" &&
    convert "$EXPECTED/lit-$k.png" "${masked[@]}" "$WORK/entry-lit.png" &&
    same_picture "$WORK/entry.png" "$WORK/entry-lit.png"
}

# For a state that must not change, no event tells when it would have: the picture has to stay
# the same over a series of screenshots.
expect_screen_stays() {
  local picture=$1 what=$2 _
  for _ in $(seq 15); do
    if ! screen_shows "$picture"; then
      fail "$what: the window stopped showing $picture.png"
      return
    fi
    sleep 0.05
  done
  pass "$what"
}

start_count() { if [ -f "$STARTS" ]; then wc -l <"$STARTS"; else echo 0; fi; }
has_starts() { [ "$(start_count)" -ge "$1" ]; }

# True while a stand-in of this run is still running (it may not have written its line yet).
stand_ins_running() { pgrep -f "stand-in.sh .*$RUN_TOKEN" >/dev/null; }
stand_ins_done() { ! stand_ins_running; }

# Windows titled exactly "Tarvelin" (the message box), found by their UTF-8 title.
message_boxes() { xwininfo -root -tree | grep -c '^ *0x[0-9a-f]* "Tarvelin":' || true; }
message_box_shown() { [ "$(message_boxes)" -ge 1 ]; }
no_message_box() { [ "$(message_boxes)" -eq 0 ]; }
# All of the tree is read: under a window manager it is long, and xwininfo cut short by an early
# exit would fail the pipeline.
message_box_window() { xwininfo -root -tree | awk '$2 == "\"Tarvelin\":" && !found {print $1; found = 1}'; }
# Nothing for no window (xwininfo without one would wait for a click).
window_width() { [ -n "$1" ] && xwininfo -id "$1" | awk '/^ *Width:/ {print $2}'; }
