#!/usr/bin/env bash
# The menu opens: a borderless 480 x 360 window, centred on the screen, titled from options.ini,
# with the built-in icon, showing the background picture pixel for pixel. It is one program with
# one name, whatever its file is called and whatever starts it, and one menu per folder: a second
# start from the same folder brings the first menu to the front and ends.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

# fixtures/window.ini holds the title in Windows-1252, with u acute, e acute and the euro sign.
readonly TITLE_UTF8=$'Men\xc3\xba d\xc3\xa9mo \xe2\x82\xac 1'

start_xvfb
make_disc "$FIXTURES/window.ini"
make_expected_pictures
# A window manager makes this atom known; only then does SDL mark a borderless window with it.
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0
start_menu

# --- Size and place.
expect_centred_window
motif_hints=$(xprop -id "$menu_window" -notype _MOTIF_WM_HINTS)
# flags: decorations given; decorations: none.
if [[ "$motif_hints" == "_MOTIF_WM_HINTS = 0x2, 0x0,"* ]]; then pass "window asks for no frame"; else fail "frame hints: $motif_hints"; fi

# --- Title, as UTF-8 for the window manager.
title_hex=$(xprop -id "$menu_window" -notype -f _NET_WM_NAME 8x ' = $0+\n' _NET_WM_NAME | sed 's/^[^=]*= //; s/0x//g; s/,//g')
expected_hex=$(printf '%s' "$TITLE_UTF8" | od -An -tx1 | xargs)
if [ "$title_hex" = "$expected_hex" ]; then pass "title comes from options.ini, in UTF-8"; else fail "title bytes $title_hex, expected $expected_hex"; fi

# --- Icon: the built-in icon as ImageMagick reads the first picture of art/tarvelin.ico, its 32 x 32
# in 16 colours, transparent where masked.
icon=$(xprop -id "$menu_window" -notype -f _NET_WM_ICON 32c ' = $0+\n' _NET_WM_ICON | sed 's/^[^=]*= //; s/, /\n/g')
expected_icon=$(convert "ico:$ART_DIR/tarvelin.ico[0]" -depth 8 txt:- | awk -F'[(),]' '
  NR == 1 {split($0, size, /[:,]/); print size[2] + 0; print size[3] + 0; next}
  {r = $3; g = $4; b = $5; a = $6; printf "%.0f\n", a == 0 ? 0 : a * 16777216 + r * 65536 + g * 256 + b}')
if [ "$(sed -n 1,2p <<<"$icon" | xargs)" = "32 32" ] && [ "$icon" = "$expected_icon" ]; then
  pass "window icon is art/tarvelin.ico"
else
  fail "window icon differs from art/tarvelin.ico: $(head -c 120 <<<"$icon" | xargs)"
fi

# --- What a user sees.
expect_screen plain "window shows background.bmp pixel for pixel"

# --- Its name in task bars and docks, which group and label windows by their class.
expect_named() {
  local wm_class process
  wm_class=$(xprop -id "$menu_window" WM_CLASS)
  if [ "$wm_class" = 'WM_CLASS(STRING) = "Tarvelin", "Tarvelin"' ]; then pass "$1: window class Tarvelin"; else fail "$1: $wm_class"; fi
  process=$(ps -o comm= -p "$menu_pid")
  if [ "$process" = tarvelin ]; then pass "$1: process named tarvelin"; else fail "$1: process named $process"; fi
}
expect_named "started as $DISC/tarvelin"

# --- One menu per folder. A menu from another folder shows too, here over the first, at the same
# place; a second start from the first folder then brings the first menu to the front and ends.
readonly OTHER_DISC=$WORK/other-disc
mkdir -p "$OTHER_DISC"
cp "$DISC/tarvelin" "$DISC/options.ini" "$OTHER_DISC/"
other_pid=
trap 'status=$?; if [ -n "$other_pid" ]; then kill "$other_pid" 2>/dev/null; fi; (exit $status); cleanup' EXIT
(cd "$ELSEWHERE" && exec "$OTHER_DISC/tarvelin") 2>"$WORK/other.err" &
other_pid=$!
other_window=
find_other_window() { other_window=$(xdotool search --onlyvisible --pid "$other_pid" 2>/dev/null | head -n1) && [ -n "$other_window" ]; }
menu_windows() { xdotool search --onlyvisible --class '^Tarvelin$' 2>/dev/null | wc -l; }
# Which of the two windows is higher in the stacking order (xwininfo lists the top one first).
topmost_of() {
  xwininfo -root -children |
    awk -v a="$(printf '0x%x' "$1")" -v b="$(printf '0x%x' "$2")" '($1 == a || $1 == b) && !top {top = $1} END {print top}'
}
if wait_for find_other_window && [ "$(menu_windows)" -eq 2 ]; then
  pass "a menu from another folder shows beside the first"
else
  fail "a menu from another folder: $(menu_windows) menu windows; $(cat "$WORK/other.err")"
fi
menu_on_top() { [ "$(topmost_of "$menu_window" "$other_window")" = "$(printf '0x%x' "$menu_window")" ]; }
if ! menu_on_top; then pass "the other folder's menu lies over the first"; else fail "the other folder's menu is under the first"; fi
status=0
(cd "$ELSEWHERE" && exec timeout 10 "$DISC/tarvelin") 2>"$WORK/second.err" || status=$?
if [ "$status" -eq 0 ] && menu_running && [ "$(menu_windows)" -eq 2 ]; then
  pass "a second start from the same folder ends (status 0), the first menu still shows"
else
  fail "a second start from the same folder: status $status, $(menu_windows) menu windows; $(cat "$WORK/second.err")"
fi
if wait_for menu_on_top; then pass "the second start brought the first menu to the front"; else fail "the first menu stays under the other folder's"; fi

kill "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=

# --- Started by the dynamic loader, as autorun.sh starts it from a medium without execute bits.
xdotool mousemove 0 0
(cd "$ELSEWHERE" && exec /lib64/ld-linux-x86-64.so.2 "$DISC/tarvelin") 2>"$WORK/menu.err" &
menu_pid=$!
await_menu_window
expect_named "started by the dynamic loader"
status=0
(cd "$ELSEWHERE" && exec timeout 10 "$DISC/tarvelin") 2>"$WORK/second.err" || status=$?
if [ "$status" -eq 0 ] && menu_running; then
  pass "a start from the folder while the loader's menu shows ends (status 0)"
else
  fail "a start from the folder while the loader's menu shows: status $status; $(cat "$WORK/second.err")"
fi
# While the menu shows a message box, another start brings the box to the front with it.
point_at_hot_spot 2
xdotool click 1
wait_for message_box_shown || fail "a click on an entry without its program showed no box"
box=$(message_box_window)
xdotool windowraise "$other_window"
box_on_top() { [ "$(topmost_of "$box" "$other_window")" = "$(printf '0x%x' "$box")" ]; }
if ! box_on_top; then pass "the other folder's menu covers the box"; else fail "the other folder's menu does not cover the box"; fi
status=0
(cd "$ELSEWHERE" && exec timeout 10 "$DISC/tarvelin") 2>"$WORK/second.err" || status=$?
if [ "$status" -eq 0 ] && wait_for box_on_top; then
  pass "a start from the folder while the menu's box shows brings the box to the front"
else
  fail "a start from the folder while the menu's box shows: status $status, the box not in front"
fi
kill "$menu_pid" "$other_pid"
wait "$menu_pid" "$other_pid" 2>/dev/null || true
menu_pid=
other_pid=

# --- Without a display the program says so and ends with a failure status; it neither hangs nor
# runs unseen on one of SDL's drivers that draw into memory.
status=0
env -u DISPLAY -u SDL_VIDEODRIVER timeout 10 "$DISC/tarvelin" 2>"$WORK/no-display.err" || status=$?
if [ "$status" -eq 1 ] && grep -q '^tarvelin: ' "$WORK/no-display.err"; then
  pass "without a display: exit status 1, $(grep "^tarvelin: " "$WORK/no-display.err")"
else
  fail "without a display: exit status $status, stderr: $(cat "$WORK/no-display.err")"
fi

finish
