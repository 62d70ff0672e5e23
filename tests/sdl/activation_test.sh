#!/usr/bin/env bash
# Activation and closing as a user sees them: a click on a highlighted entry starts its program
# from the disc, whatever directory is current; a missing program shows the "Tarvelin" message
# box, which is modal, and the menu stays; a double-click starts once; Enter and other keys do
# nothing; Escape, the exit button and a close request from the window manager end the program
# with exit status 0.
#
# Extra argument: the send_close_request helper.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
readonly SEND_CLOSE_REQUEST=$3

start_xvfb
# Entry 5 names a missing program with a non-ASCII letter in Windows-1252 (e acute).
make_disc <(printf 'Activation test\r\ntools\\stand-in.sh one "two words" %s\r\ntools\\missing.exe\r\ntools\\stand-in.sh three %s\r\ntools\\stand-in.sh four %s\r\ntools\\mis\351ing.exe\r\n' "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN")
# The bare locale of a session that sets none: the menu's message box must still show all the text.
export LC_ALL=C
make_expected_pictures
DISC_REAL=$(cd "$DISC" && pwd -P)
readonly DISC_REAL
start_menu
expect_screen plain "menu open"

# Waits until every program the menu has started so far has recorded itself. The menu starts
# programs before it handles later events, so a change on screen after a click orders them.
starts_recorded_after() {
  point_at_hot_spot "$1"
  expect_screen "lit-$1" "$2"
  wait_for stand_ins_done || fail "stand-in programs still running"
}

starts_of() { grep -c -F "$1" "$STARTS" 2>/dev/null || true; }

# --- A click anywhere but on the shown box does nothing.
point_at 20 20
xdotool click 1
point_at_gap_below 1
xdotool click 1
starts_recorded_after 4 "clicks on the bare window and the gap handled"
if [ "$(start_count)" -eq 0 ]; then pass "clicks off the highlight start nothing"; else fail "clicks off the highlight started: $(cat "$STARTS")"; fi

# --- A click on an entry starts its command from the disc, with its arguments.
point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
if wait_for has_starts 1; then
  expected="started cwd=$DISC_REAL LC_ALL=C [one] [two words] [$RUN_TOKEN]"
  if [ "$(head -n1 "$STARTS")" = "$expected" ]; then
    pass "click on entry 1 started tools/stand-in.sh in the disc folder with its arguments"
  else
    fail "click on entry 1 started: $(head -n1 "$STARTS"), expected: $expected"
  fi
else
  fail "click on entry 1 started nothing"
fi
expect_screen lit-1 "the highlight stays after the start"

# --- A double-click starts the program once; two separate clicks start it twice.
point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted"
xdotool click --repeat 2 --delay 50 1
starts_recorded_after 4 "double-click handled"
if [ "$(starts_of "[three]")" -eq 1 ]; then pass "a double-click starts the program once"; else fail "a double-click started it $(starts_of "[three]") times"; fi

point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted again"
# Further apart than SDL's double-click time of 500 ms.
xdotool click --repeat 2 --delay 700 1
starts_recorded_after 5 "two separate clicks handled"
if [ "$(starts_of "[three]")" -eq 3 ]; then pass "two separate clicks start it twice"; else fail "two separate clicks: $(starts_of "[three]") starts in all"; fi

# Two quick clicks on neighbouring entries, on the bottom row of one and the top row of the next
# (the gap between them apart) and well within the double-click time, are two clicks, not a
# double-click. The pause lets entry 4's box show before the press.
read -r left top width height < <(hot_spot 3)
read -r _ top4 _ < <(hot_spot 4)
point_at $((left + width / 2)) $((top + height - 1))
expect_screen lit-3 "bottom row of entry 3 highlighted"
xdotool click 1 mousemove $((menu_x + left + width / 2)) $((menu_y + top4)) sleep 0.3 click 1
starts_recorded_after 5 "quick clicks on entries 3 and 4 handled"
if [ "$(starts_of "[three]")" -eq 4 ] && [ "$(starts_of "[four]")" -eq 1 ]; then
  pass "quick clicks on two neighbouring entries start both"
else
  fail "quick clicks on entries 3 and 4 started: $(starts_of "[three]") x three, $(starts_of "[four]") x four"
fi

# --- A missing program shows the message box titled "Tarvelin"; the menu stays open.
starts_before_box=$(start_count)
point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted"
xdotool click 1
if wait_for message_box_shown; then
  pass "a missing program shows a window titled Tarvelin"
  [ "$(message_boxes)" -eq 1 ] || fail "$(message_boxes) message boxes shown"
else
  fail "no window titled Tarvelin appeared"
fi
if menu_running && xwininfo -id "$menu_window" | grep -q 'Map State: IsViewable'; then
  pass "the menu stays open behind the message"
else
  fail "the menu closed or was hidden"
fi

# While the box shows the menu takes no input: neither this click on the highlighted entry (a
# second message) nor Escape (closing) may act, not even after the box is dismissed. The box is
# centred over the menu and takes the keyboard, so the click goes to the part of entry 2 right of
# it, and Escape is typed into the menu's window.
read -r left top width height < <(hot_spot 2)
point_at $((left + width - 10)) $((top + height / 2))
xdotool click 1
xdotool key --window "$menu_window" Escape
box=$(message_box_window)
ascii_width=$(window_width "$box")
xdotool key --window "$box" Return
if wait_for no_message_box; then pass "Return dismisses the message box"; else fail "the message box stays"; fi
point_at_hot_spot 4
expect_screen lit-4 "the menu works again after the message"
if menu_running && no_message_box; then
  pass "input given while the message showed was ignored"
else
  fail "input given while the message showed acted: menu running: $(menu_running && echo yes || echo no), boxes: $(message_boxes)"
fi

# The message box does not change the environment that programs start with.
point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted after the message"
xdotool click 1
if wait_for has_starts $((starts_before_box + 1)) &&
  [ "$(tail -n1 "$STARTS")" = "started cwd=$DISC_REAL LC_ALL=C [one] [two words] [$RUN_TOKEN]" ]; then
  pass "programs started after the message see the menu's own environment"
else
  fail "start after the message: $(tail -n1 "$STARTS")"
fi
starts_before_box=$(start_count)

# A message naming a non-ASCII file shows all of its text: the box is as wide as the one for the
# same command with an ASCII letter instead (its font has one width for every letter).
point_at_hot_spot 5
expect_screen lit-5 "entry 5 highlighted"
xdotool click 1
wait_for message_box_shown || fail "no message box for entry 5"
box=$(message_box_window)
non_ascii_width=$(window_width "$box")
if [ -n "$non_ascii_width" ] && [ "$non_ascii_width" -ge $((ascii_width - 8)) ]; then
  pass "a message with a non-ASCII command shows in full ($non_ascii_width vs $ascii_width pixels wide)"
else
  fail "the message with a non-ASCII command is cut: $non_ascii_width vs $ascii_width pixels wide"
fi
xdotool key --window "$box" Return
wait_for no_message_box || fail "the second message box stays"

# --- Enter and other character keys do nothing.
xdotool key Return Tab BackSpace a space
starts_recorded_after 5 "keys handled"
if menu_running && no_message_box && [ "$(start_count)" -eq "$starts_before_box" ]; then
  pass "Enter, Tab, Backspace, a and space do nothing"
else
  fail "a key acted: menu running: $(menu_running && echo yes || echo no), starts: $(start_count)"
fi

# --- Escape ends the program.
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"

# --- A click on the highlighted exit button ends the program.
start_menu
point_at_hot_spot 8
expect_screen lit-8 "exit button highlighted"
xdotool click 1
expect_menu_exit_status 0 "the exit button ends the program"

# --- A close request from a window manager ends the program.
start_menu
expect_screen plain "menu open again"
"$SEND_CLOSE_REQUEST" "$menu_window"
expect_menu_exit_status 0 "a window manager's close request ends the program"

if [ "$(starts_of decoy)" -eq 0 ]; then pass "nothing started from the directory the menu started in"; else fail "the decoy in the starting directory ran"; fi
if [ "$(start_count)" -eq "$starts_before_box" ]; then pass "closing started nothing"; else fail "closing started a program"; fi
finish
