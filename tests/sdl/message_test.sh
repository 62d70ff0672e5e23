#!/usr/bin/env bash
# The message box as a user meets it: when it closes, the highlight follows the pointer to wherever
# it went while the box showed, and a click there starts that entry; a command holding a NUL byte
# shows in full in the message.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
# Entry 3 holds a NUL byte; entry 5 is the same command with an X in its place.
make_disc <(printf 'Message test\r\ntools\\stand-in.sh one %s\r\ntools\\missing.exe\r\ntools\\missing\0 with a long name.exe\r\ntools\\stand-in.sh four %s\r\ntools\\missingX with a long name.exe\r\n' "$RUN_TOKEN" "$RUN_TOKEN")
make_expected_pictures
start_menu
expect_screen plain "menu open"

# show_message INDEX: clicks hot spot INDEX, whose command is missing, and waits for the box.
show_message() {
  point_at_hot_spot "$1"
  expect_screen "lit-$1" "entry $1 lit"
  # Apart from the last click by more than the double-click time, so no double-click.
  sleep 0.6
  xdotool click 1
  wait_for message_box_shown || fail "no message box for entry $1"
  box=$(message_box_window)
}

dismiss_message() {
  xdotool key --window "$box" "$1"
  if wait_for no_message_box; then pass "$1 dismisses the message box"; else fail "the message box stays after $1"; fi
}

# --- The pointer moves to entry 4 while the box shows; Return closes the box.
show_message 2
point_at_hot_spot 4
dismiss_message Return
expect_screen lit-4 "after the box closes, entry 4 under the pointer is lit without a further move"
xdotool click 1
if wait_for has_starts 1 && grep -q -F "[four] [$RUN_TOKEN]" "$STARTS"; then
  pass "the first click on entry 4 after the box starts its program"
else
  fail "a click on entry 4 after the box started: $(cat "$STARTS" 2>/dev/null)"
fi

# --- The pointer moves to the bare window while the box shows; Escape closes the box.
show_message 2
point_at 20 300
dismiss_message Escape
expect_screen plain "after the box closes over the bare window, nothing is lit"

# --- The pointer leaves the window while the box shows: the highlight stays, as when leaving.
show_message 2
xdotool mousemove 5 5
dismiss_message Return
expect_screen_stays lit-2 "after the box closes with the pointer outside, entry 2 stays lit"

# --- A NUL in a command: the message shows all of it, as wide as with an X instead (the box's font
# gives every character one width).
show_message 5
ascii_width=$(window_width "$box")
dismiss_message Return
show_message 3
nul_width=$(window_width "$box")
dismiss_message Return
if [ -n "$nul_width" ] && [ "$nul_width" -ge $((ascii_width - 8)) ]; then
  pass "a message with a NUL in the command shows all of it ($nul_width vs $ascii_width pixels wide)"
else
  fail "the message with a NUL in the command is cut: $nul_width vs $ascii_width pixels wide"
fi

wait_for stand_ins_done || fail "stand-in programs still running"
[ "$(start_count)" -eq 1 ] || fail "$(start_count) starts in all, wanted 1: $(cat "$STARTS")"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
