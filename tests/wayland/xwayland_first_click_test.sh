#!/usr/bin/env bash
# The first click on the menu acts through XWayland as it does on X11: with another X program on the
# same XWayland holding the keyboard, as the file manager that offered to run autorun.sh would,
# one click on an entry starts its program and one on the exit button ends the menu with exit
# status 0; one click on an entry whose program is missing shows the message box, and one on the
# box's OK dismisses it. The clicks are a user's: xdotool drives the test's Xvfb, in which weston's
# output is a window, and weston's seat hands each press to XWayland. weston gives the window
# clicked the keyboard on the press, so XWayland tells the menu of the focus a moment before the
# press, and that press is the one a window that drops clicks which bring it to the front drops.
#
# Run as: bash SCRIPT PROGRAM ART_DIR, with TARVELIN_HOT_SPOTS naming the build's table of hot spots.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/wayland/weston_lib.sh
source "$(dirname "$0")/weston_lib.sh"

start_xvfb
make_disc <(printf 'XWayland first click test\r\ntools\\stand-in.sh one %s\r\ntools\\missing.exe\r\n' "$RUN_TOKEN")
make_expected_pictures
start_weston_with_xwayland
on_session() { DISPLAY=$session_display "$@"; }
place_on_session() {
  on_session xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}'
}
focused_is() { [ "$(on_session xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]; }

# Starts the menu on XWayland and finds its window there.
start_menu_on_xwayland() {
  local x y
  start_menu_on_weston SDL_VIDEODRIVER=x11 DISPLAY="$session_display"
  menu_window=$(on_session xdotool search --onlyvisible --pid "$menu_pid" | head -n1)
  # weston keeps an X window's place on XWayland's root where it draws the window on its output,
  # and the output lies at the screen's top-left: a place on XWayland is the screen's, for xdotool.
  read -r x y < <(place_on_session "$menu_window")
  if [ "$x,$y" != "$menu_x,$menu_y" ]; then
    echo "the menu is drawn at $menu_x,$menu_y on weston's output but lies at $x,$y on XWayland" >&2
    exit 1
  fi
}

# Starts the other program beside the menu, where it takes the keyboard. weston takes the place
# it asks for as a hint only, and may put it over the menu: then it is started again.
other_pid=
find_other() { other=$(on_session xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n1) && [ -n "$other" ]; }
other_gone() { ! find_other; }
stop_other() {
  kill "$other_pid"
  wait "$other_pid" 2>/dev/null || true
  wait_for other_gone || { echo "xlogo stays on XWayland" >&2; exit 1; }
}
start_other() {
  local place attempt
  # The output leaves at least 260 pixels beside the menu on one side.
  if [ "$menu_x" -ge 200 ]; then place=+10+10; else place=+$((menu_x + MENU_W + 40))+10; fi
  for attempt in 1 2 3 4 5; do
    DISPLAY=$session_display xlogo -geometry "64x64$place" >/dev/null 2>&1 &
    other_pid=$!
    wait_for find_other || { echo "xlogo did not show on XWayland" >&2; exit 1; }
    read -r other_x other_y < <(place_on_session "$other")
    # Clear of the menu, with the frame weston draws around it.
    if [ $((other_x + 64 + 32)) -le "$menu_x" ] || [ $((other_x - 32)) -ge $((menu_x + MENU_W)) ]; then return; fi
    stop_other
  done
  echo "weston put xlogo over the menu $attempt times (last at $other_x,$other_y; the menu at $menu_x,$menu_y)" >&2
  exit 1
}

# A click on the other program, which gives it the keyboard.
focus_other() {
  pointer_x=$((other_x + 32))
  pointer_y=$((other_y + 32))
  sleep 0.6  # not a double-click with the click before
  xdotool mousemove "$pointer_x" "$pointer_y" click 1
  wait_for focused_is "$other" || fail "a click on xlogo did not give it the keyboard"
}

# The click just made took the keyboard from the other program: weston took it for a user's, and
# it was the one that brought the menu's window to the front.
expect_keyboard_taken() {
  wait_for not focused_is "$other" || fail "$1: the click left the keyboard to xlogo, weston did not see it"
}
not() { ! "$@"; }

# --- One click on an entry, then one on the exit button.
start_menu_on_xwayland
start_other
focus_other
point_at_hot_spot 1
expect_screen lit-1 "entry 1 lights up under the pointer while xlogo has the keyboard"
xdotool click 1
expect_keyboard_taken "entry 1"
if wait_for has_starts 1 && grep -q -F "[one]" "$STARTS"; then
  pass "the click on entry 1 that brings the menu to the front starts its program"
else
  fail "the click on entry 1 that brings the menu to the front started nothing"
fi
focus_other
point_at_hot_spot 8
xdotool click 1
expect_menu_exit_status 0 "the click on the exit button that brings the menu to the front ends the program"
if menu_running; then
  kill "$menu_pid"
  wait "$menu_pid" || true
  menu_pid=
fi
stop_other

# --- A click on an entry whose program is missing while the menu has the keyboard, then one click
# on the box's OK. (A menu of its own: after a box, XWayland's pointer was at times elsewhere than
# weston's.)
start_menu_on_xwayland
start_other
# xlogo took the keyboard when it showed: a click on the menu's bare background takes it back.
point_at 20 20
xdotool click 1
wait_for focused_is "$menu_window" || fail "a click on the menu did not give it the keyboard"
point_at_hot_spot 2
sleep 0.6  # not a double-click with the click before
xdotool click 1
if on_session wait_for message_box_shown; then
  box=$(on_session message_box_window)
  read -r box_x box_y box_w box_h < <(on_session xwininfo -id "$box" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2}
         END {print x, y, w, h}')
  focus_other
  # The OK button is centred at the bottom, 12 pixels above the edge and 23 high.
  pointer_x=$((box_x + box_w / 2))
  pointer_y=$((box_y + box_h - 24))
  xdotool mousemove "$pointer_x" "$pointer_y" click 1
  if on_session wait_for no_message_box && menu_running; then
    pass "the click on OK that brings the box to the front dismisses it"
  else
    fail "the click on OK that brings the box to the front left the box"
  fi
else
  fail "a click on entry 2, whose program is missing, showed no message box"
fi
finish
