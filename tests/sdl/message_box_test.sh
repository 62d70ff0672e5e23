#!/usr/bin/env bash
# The "Tarvelin" message box on an X server without a window manager: it opens centred over the
# menu, and stays on the screen when the menu is near its edge; a tap from outside the menu onto
# the entry (the movement and the click in one breath) shows it over the entry lit, which stays lit
# once it is gone; a tab in its text shows as spaces;
# Return, Escape and Space typed into it and a click on its OK button dismiss it, a click
# elsewhere on it does not; and whatever ends the menu while it shows (SIGTERM, SIGINT, SIGHUP, a
# close request to the menu's window), nothing of the menu stays: no process, no window.
#
# Extra arguments: the send_close_request and xtest_pointer helpers.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
readonly SEND_CLOSE_REQUEST=$3 XTEST_POINTER=$4

start_xvfb
make_disc "$FIXTURES/message_box.ini"
make_expected_pictures

box=
box_x=0
box_y=0
box_w=0
box_h=0

# show_box WHAT [ENTRY]: clicks the entry (1 unless given), whose program is missing, and finds
# the box.
show_box() {
  local entry=${2:-1}
  point_at_hot_spot "$entry"
  expect_screen "lit-$entry" "$1: entry $entry highlighted"
  # Not the second half of a double-click with the click that showed the last box (500 ms).
  sleep 0.6
  xdotool click 1
  if ! wait_for message_box_shown; then
    fail "$1: no window titled Tarvelin appeared"
    return 1
  fi
  box=$(message_box_window)
  read -r box_x box_y box_w box_h < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}')
}

# The processes running the disc's program: the menu and anything it left behind.
menu_processes() { pgrep -f "^$DISC/tarvelin" || true; }
nothing_left() { [ -z "$(menu_processes)" ] && xwininfo -root -children | grep -q '^ *0 children'; }

expect_nothing_left() {
  if wait_for nothing_left; then
    pass "$1: no process and no window left"
  else
    fail "$1: left behind: processes [$(menu_processes | tr '\n' ' ')], windows: $(xwininfo -root -children |
      grep -c '^ *0x')"
  fi
}

dismissed() { no_message_box && menu_running; }

# --- Centred over the menu, without a window manager.
start_menu
show_box "centring"
centre_x=$((box_x + box_w / 2 - menu_x - MENU_W / 2))
centre_y=$((box_y + box_h / 2 - menu_y - MENU_H / 2))
if [ "${centre_x#-}" -le 1 ] && [ "${centre_y#-}" -le 1 ]; then
  pass "the box ($box_w x $box_h at $box_x,$box_y) is centred over the menu"
else
  fail "the box ($box_w x $box_h at $box_x,$box_y) is off the menu's centre by $centre_x,$centre_y"
fi
if [ "$box_w" -lt "$MENU_W" ] && [ "$box_h" -lt "$MENU_H" ]; then
  pass "the box fits inside the menu"
else
  fail "the box is $box_w x $box_h"
fi

# --- Ways to dismiss it, and a click that does not.
xdotool mousemove $((box_x + 10)) $((box_y + box_h / 2)) click 1
sleep 0.3
if message_box_shown; then pass "a click beside the OK button leaves the box"; else fail "a click beside OK dismissed the box"; fi
# The OK button is centred at the bottom, 12 pixels above the edge and 23 high.
xdotool mousemove $((box_x + box_w / 2)) $((box_y + box_h - 24)) click 1
if wait_for dismissed; then pass "a click on OK dismisses the box"; else fail "a click on OK left the box"; fi

for key in Escape space Return; do
  show_box "$key"
  xdotool key --window "$box" "$key"
  if wait_for dismissed; then pass "$key typed into the box dismisses it"; else fail "$key left the box"; fi
done
# --- A tab in the message: drawn as the spaces up to the next eighth column, not as a character
# the font lacks. Entry 2's command holds a tab, entry 3's the same spaces.
show_box "a tab" 2
import -window root -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage "$WORK/tab.png"
xdotool key --window "$box" Escape
wait_for dismissed || fail "Escape left the box with a tab"
show_box "spaces" 3
import -window root -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage "$WORK/spaces.png"
xdotool key --window "$box" Escape
wait_for dismissed || fail "Escape left the box with spaces"
if same_picture "$WORK/tab.png" "$WORK/spaces.png"; then
  pass "a tab in the message shows as spaces"
else
  fail "the message with a tab differs from the one with spaces ($(compare -metric AE "$WORK/tab.png" "$WORK/spaces.png" null: 2>&1) pixels)"
fi

# --- The menu moved near the bottom right corner: the box stays on the screen, OK button included.
xdotool windowmove --sync "$menu_window" 700 560
menu_x=700
menu_y=560
# Part of the menu is off the screen now: entry 1 is checked where it shows, from its left end.
entry_1_lit() {
  local left top _ height
  read -r left top _ height < <(hot_spot 1)
  convert "$EXPECTED/lit-1.png" -crop "200x${height}+${left}+${top}" +repage "$WORK/entry-lit.png" &&
    import -silent -window root -crop "200x${height}+$((menu_x + left))+$((menu_y + top))" +repage "$WORK/entry.png" &&
    same_picture "$WORK/entry.png" "$WORK/entry-lit.png"
}
point_at_hot_spot 1
wait_for entry_1_lit || fail "near the corner: entry 1 did not light up"
sleep 0.6
xdotool click 1
wait_for message_box_shown || fail "near the corner: no window titled Tarvelin appeared"
box=$(message_box_window)
read -r box_x box_y box_w box_h < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x = $NF}
  /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}')
if [ "$box_x" -ge 0 ] && [ "$box_y" -ge 0 ] && [ $((box_x + box_w)) -le "$SCREEN_W" ] && [ $((box_y + box_h)) -le "$SCREEN_H" ]; then
  pass "with the menu near the corner, the box ($box_w x $box_h at $box_x,$box_y) is on the screen"
else
  fail "with the menu near the corner, the box ($box_w x $box_h at $box_x,$box_y) reaches past the screen"
fi
xdotool key --window "$box" Escape
wait_for dismissed || fail "Escape left the box near the corner"

xdotool key Escape
expect_menu_exit_status 0 "Escape after the box ends the program"

# --- A tap from outside the menu onto entry 1, unlit, as the first thing the user does: the
# movement, the press and the release arrive together. The box asks over the entry lit, as the
# movement showed it before the click acted, and the entry stays lit once the box is gone. A menu
# of its own each time: its first tap is the one whose click comes while the movement is handled.
tap_entry_1() {
  local left top width height
  read -r left top width height < <(hot_spot 1)
  start_menu
  expect_screen plain "$1: nothing lit before the tap"
  "$XTEST_POINTER" tap $((menu_x + left + width / 2)) $((menu_y + top + height / 2))
  if ! wait_for message_box_shown; then
    fail "$1: no window titled Tarvelin appeared"
    return
  fi
  box=$(message_box_window)
  read -r box_x box_y box_w box_h < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}')
  if wait_for entry_lit_beside_box 1 "$box_x" "$box_y" "$box_w" "$box_h"; then
    pass "$1: the box asks over entry 1 lit"
  else
    cp "$WORK/screen.png" "$PWD/failed-$(basename "$0" .sh)-${1// /-}.png"
    fail "$1: while the box shows, entry 1 is not lit (screenshot kept in $PWD/failed-$(basename "$0" .sh)-${1// /-}.png)"
  fi
  xdotool key --window "$box" Return
  wait_for dismissed || fail "$1: Return left the box"
  expect_screen lit-1 "$1: entry 1 stays lit once the box is gone"
  xdotool key Escape
  expect_menu_exit_status 0 "$1: Escape ends the program"
}
for tap in 1 2 3; do tap_entry_1 "tap $tap"; done

# --- Ended while the box shows.
for signal in TERM INT HUP; do
  start_menu
  show_box "SIG$signal" || continue
  kill -s "$signal" "$menu_pid"
  wait "$menu_pid" 2>/dev/null || true
  menu_pid=
  expect_nothing_left "SIG$signal while the box shows"
done

start_menu
if show_box "close request"; then
  "$SEND_CLOSE_REQUEST" "$menu_window"
  expect_menu_exit_status 0 "a close request to the menu's window while the box shows ends the program"
  expect_nothing_left "close request while the box shows"
fi

finish
