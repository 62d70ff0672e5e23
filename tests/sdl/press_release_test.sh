#!/usr/bin/env bash
# Entries behave like buttons: a click starts an entry only when the button is pressed and released
# on its highlight. Pressed on one place and released on another (another entry, the bare window,
# the exit button, outside the window), nothing starts and the menu stays; while the button is held
# the highlight stays where it was pressed, and after the release it follows the pointer, even
# before the pointer moves again. A press ends when another window takes the keyboard; a tap, the
# movement, press and release arriving together, counts on the entry it lands on.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc <(printf 'Press and release test\r\ntools\\stand-in.sh one %s\r\ntools\\stand-in.sh two %s\r\ntools\\stand-in.sh three %s\r\ntools\\stand-in.sh four %s\r\ntools\\stand-in.sh five %s\r\n' "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN")
make_expected_pictures
start_menu
expect_screen plain "menu open"

# press_at SPOT: the button goes down on hot spot SPOT, lit first, or on the bare window ("bare").
# release_at SPOT, or release_at X Y: the button comes up on a hot spot or at a window pixel.
press_at() {
  if [ "$1" = bare ]; then
    point_at 20 20
    expect_screen plain "bare window before the press"
  else
    point_at_hot_spot "$1"
    expect_screen "lit-$1" "hot spot $1 lit before the press"
  fi
  xdotool mousedown 1
}
release_at() {
  if [ $# -eq 2 ]; then point_at "$1" "$2"; else point_at_hot_spot "$1"; fi
  xdotool mouseup 1
}
nothing_started() {
  wait_for stand_ins_done || fail "stand-in programs still running"
  if [ "$(start_count)" -eq 0 ] && menu_running; then
    pass "$1: nothing started, the menu stays"
  else
    fail "$1: started $(cat "$STARTS" 2>/dev/null), menu running: $(menu_running && echo yes || echo no)"
  fi
}

# --- Pressed on entry 1, released on entry 3.
press_at 1
point_at_hot_spot 3
expect_screen_stays lit-1 "while the button is held over entry 3, entry 1 stays lit"
xdotool mouseup 1
expect_screen lit-3 "after the release entry 3, under the pointer, lights up without a further move"
nothing_started "pressed on entry 1, released on entry 3"

# --- Pressed on entry 3, released outside the window.
press_at 3
release_at 200 -40
point_at_hot_spot 4
expect_screen lit-4 "back in the window entry 4 lights up"
nothing_started "pressed on entry 3, released above the window"

# --- Pressed on entry 4, released on the bare window.
press_at 4
release_at 20 300
expect_screen plain "released on the bare window, nothing is lit"
nothing_started "pressed on entry 4, released on the bare window"

# --- Pressed on entry 5, released on the exit button.
press_at 5
release_at 8
expect_screen lit-8 "released on the exit button, it lights up"
nothing_started "pressed on entry 5, released on the exit button"

# --- Pressed on the exit button, released on entry 2.
press_at 8
release_at 2
expect_screen lit-2 "released on entry 2, it lights up"
nothing_started "pressed on the exit button, released on entry 2"

# --- Pressed on the bare window, released on entry 1.
press_at bare
release_at 1
expect_screen lit-1 "released on entry 1, it lights up"
nothing_started "pressed on the bare window, released on entry 1"

# --- Pressed on entry 3, then another window comes up over the menu and takes the keyboard (a
# program that was starting, a notification): the press ends there, as a button's does, and its
# release over that window, which the pointer grab still brings to the menu, starts nothing.
xdotool windowfocus --sync "$menu_window"
press_at 3
xlogo -geometry "300x200+$((menu_x + 90))+$((menu_y + 120))" &
other_pid=$!
other_window=$(xdotool search --sync --onlyvisible --class xlogo | head -n1)
xdotool windowfocus --sync "$other_window"
xdotool mouseup 1
nothing_started "pressed on entry 3, the keyboard taken by another window, released over it"
kill "$other_pid"
wait "$other_pid" 2>/dev/null || true

# --- Pressed and released on entry 2, the pointer moving off and back while held: a click.
press_at 2
point_at 20 20
expect_screen_stays lit-2 "entry 2 stays lit while the held pointer is over the bare window"
point_at_hot_spot 2
xdotool mouseup 1
if wait_for has_starts 1 && [ "$(head -n1 "$STARTS")" = "started cwd=$(cd "$DISC" && pwd -P) LC_ALL=${LC_ALL-unset} [two] [$RUN_TOKEN]" ]; then
  pass "pressed and released on entry 2 starts its program"
else
  fail "pressed and released on entry 2: $(cat "$STARTS" 2>/dev/null)"
fi

# --- A plain click still starts its entry.
point_at_hot_spot 4
expect_screen lit-4 "entry 4 lit"
xdotool click 1
if wait_for has_starts 2 && grep -q -F "[four] [$RUN_TOKEN]" "$STARTS"; then
  pass "a plain click on entry 4 starts its program"
else
  fail "a click on entry 4 started: $(cat "$STARTS" 2>/dev/null)"
fi
wait_for stand_ins_done || fail "stand-in programs still running"
[ "$(start_count)" -eq 2 ] || fail "$(start_count) starts in all, wanted 2: $(cat "$STARTS")"

# --- Taps: a touch screen, a pen, a remote tool or a quick hand brings the movement onto an entry,
# the press and the release together. From a lit entry, each tap starts the entry it lands on.
names=(one two three four five)
started_before=$(start_count)
tapped=0
# The first tap lands on entry 4, just clicked: not as the second half of a double-click (500 ms).
sleep 0.6
for tap in $(seq 20); do
  from=$((tap % 5 + 1)) to=$(((tap + 2) % 5 + 1))
  point_at_hot_spot "$from"
  wait_for screen_shows "lit-$from" || fail "tap $tap: entry $from did not light up"
  read -r left top width height < <(hot_spot "$to")
  xdotool mousemove $((menu_x + left + width / 2)) $((menu_y + top + height / 2)) mousedown 1 mouseup 1
  if wait_for has_starts $((started_before + tap)) && [ "$(tail -n1 "$STARTS")" = "started cwd=$(cd "$DISC" && pwd -P) LC_ALL=${LC_ALL-unset} [${names[to - 1]}] [$RUN_TOKEN]" ]; then
    tapped=$((tapped + 1))
  else
    missed="${missed-} $tap (entry $from to $to: $(tail -n1 "$STARTS"))"
    started_before=$(($(start_count) - tap))
  fi
done
if [ "$tapped" -eq 20 ]; then
  pass "20 of 20 taps from a lit entry onto another started it"
else
  fail "$tapped of 20 taps from a lit entry onto another started it; missed:${missed-}"
fi

# A press that slides off its entry before the release, in one batch, still starts nothing.
wait_for stand_ins_done || fail "stand-in programs still running"
started_before=$(start_count)
point_at_hot_spot 2
expect_screen lit-2 "entry 2 lit before the slide"
read -r left top width height < <(hot_spot 4)
xdotool mousedown 1 mousemove $((menu_x + left + width / 2)) $((menu_y + top + height / 2)) mouseup 1
expect_screen lit-4 "after the slide, entry 4 under the pointer lights up"
wait_for stand_ins_done || fail "stand-in programs still running"
[ "$(start_count)" -eq "$started_before" ] || fail "a press slid from entry 2 onto entry 4 started: $(tail -n1 "$STARTS")"

point_at_hot_spot 8
expect_screen lit-8 "exit button lit"
xdotool click 1
expect_menu_exit_status 0 "a click on the exit button ends the program"
finish
