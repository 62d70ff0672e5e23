#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about input: entries behave like buttons, a tap
# counts where it lands, a press ends when another window takes the foreground, and a command
# holding a NUL byte shows in full in the message.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

# expect_screen_stays INDEX: the window keeps showing expected_picture INDEX over a series of
# screenshots (no event tells when it would have changed).
expect_screen_stays() {
  local expected differing _
  expected=$(expected_picture "$1")
  for _ in $(seq 10); do
    import -window "$window" "$work/screen.ppm" 2>/dev/null || fail "no screenshot of the window"
    differing=$(compare -metric AE "$work/screen.ppm" "$expected" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "the window stopped showing picture $1: $differing pixels differ"
    sleep 0.05
  done
}

case_press_release() {
  make_disc "$work/disc" press_release.ini
  mkdir -p "$work/disc/tools"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  start_menu "$work/disc/tarvelin.exe"
  local record=$work/disc/tools/standin-record.txt
  # A case that fails with the button held must not leave it held for the cases after it.
  trap 'xdotool mouseup 1 2>/dev/null || true; cleanup' EXIT

  # press_on SPOT: the button goes down on hot spot SPOT, lit first, or on the bare window ("bare").
  press_on() {
    if [ "$1" = bare ]; then
      pointer_to 20 300
      expect_screen 0
    else
      highlight "$1"
    fi
    xdotool mousedown 1
  }
  # nothing_started WHAT: no program has started and the menu runs.
  nothing_started() {
    local deadline=$((SECONDS + 30))
    while [ -n "$(prefix_processes 'standin\.exe')" ]; do
      [ $SECONDS -lt $deadline ] || fail "stand-in programs still running after 30 s"
      sleep 0.1
    done
    [ ! -s "$record" ] || fail "$1 started: $(cat "$record")"
    expect_running
  }

  # Pressed on entry 1, released on entry 3: entry 1 stays lit while the button is held; after the
  # release entry 3, under the pointer, lights up without a further move.
  press_on 1
  pointer_to_spot 3
  expect_screen_stays 1
  xdotool mouseup 1
  expect_screen 3
  nothing_started "pressed on entry 1, released on entry 3"

  # Pressed on entry 3, released above the window; back in the window, entry 4 lights up.
  press_on 3
  pointer_to 200 -40
  xdotool mouseup 1
  highlight 4
  nothing_started "pressed on entry 3, released outside the window"

  # Pressed on entry 4, released on the bare window.
  press_on 4
  pointer_to 20 300
  xdotool mouseup 1
  expect_screen 0
  nothing_started "pressed on entry 4, released on the bare window"

  # Pressed on entry 5, released on the exit button: the menu stays.
  press_on 5
  pointer_to_spot 8
  xdotool mouseup 1
  expect_screen 8
  nothing_started "pressed on entry 5, released on the exit button"

  # Pressed on the exit button, released on entry 2.
  press_on 8
  pointer_to_spot 2
  xdotool mouseup 1
  expect_screen 2
  nothing_started "pressed on the exit button, released on entry 2"

  # Pressed on the bare window, released on entry 1.
  press_on bare
  pointer_to_spot 1
  xdotool mouseup 1
  expect_screen 1
  nothing_started "pressed on the bare window, released on entry 1"

  # A plain click still starts its entry, once.
  highlight 2
  xdotool click 1
  wait_for_starts "$record" 1
  nothing_running() { [ -z "$(prefix_processes 'standin\.exe')" ]; }
  local deadline=$((SECONDS + 30))
  until nothing_running; do
    [ $SECONDS -lt $deadline ] || fail "stand-in programs still running after 30 s"
    sleep 0.1
  done
  [ "$(sed -n 2p "$record" | tr -d '\r')" = 'tools\standin.exe two' ] || fail "the click on entry 2 started: $(cat "$record")"
  [ "$(wc -l <"$record")" -eq 3 ] || fail "more than one start: $(cat "$record")"

  highlight 8
  xdotool click 1
  expect_exit 0
}

case_nul_message() {
  make_disc "$work/disc" nul_message.ini
  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message $'missing\xef\xbf\xbdtail.exe'
  expect_screen 1
  expect_running
  xdotool key Escape
  expect_exit 0
}

# spot_centre INDEX: "x y", the screen pixel at the middle of a hot spot.
spot_centre() {
  local left top width height
  read -r left top width height <<<"$(hot_spot "$1")"
  echo $((window_x + (left + width / 2) * scale)) $((window_y + (top + height / 2) * scale))
}

# A touch screen, a pen, a remote tool or a quick hand brings the movement onto an entry, the press
# and the release together, in one batch. From a lit entry, each tap starts the entry it lands on;
# a press that slides off its entry in one batch still starts nothing.
case_taps() {
  make_disc "$work/disc" press_release.ini
  mkdir -p "$work/disc/tools"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  start_menu "$work/disc/tarvelin.exe"
  local record=$work/disc/tools/standin-record.txt names=(one two three four five)
  trap 'xdotool mouseup 1 2>/dev/null || true; cleanup' EXIT

  local tap from to x y tapped=0 starts=0 last
  for tap in $(seq 20); do
    from=$((tap % 5 + 1)) to=$(((tap + 2) % 5 + 1))
    highlight "$from"
    read -r x y <<<"$(spot_centre "$to")"
    xdotool mousemove "$x" "$y" mousedown 1 mouseup 1
    # Each start is three lines; a tap that started nothing leaves the count as it was.
    local deadline=$((SECONDS + 15))
    until [ "$({ wc -l <"$record"; } 2>/dev/null || echo 0)" -ge $(((starts + 1) * 3)) ] || [ $SECONDS -ge $deadline ]; do
      sleep 0.1
    done
    if [ "$({ wc -l <"$record"; } 2>/dev/null || echo 0)" -ge $(((starts + 1) * 3)) ]; then
      starts=$((starts + 1))
      last=$(sed -n "$((starts * 3 - 1))p" "$record" | tr -d '\r')
      [ "$last" = "tools\standin.exe ${names[to - 1]}" ] && tapped=$((tapped + 1))
    fi
  done
  [ "$tapped" -eq 20 ] || fail "$tapped of 20 taps from a lit entry onto another started it: $(tr -d '\r' <"$record" 2>/dev/null | sed -n '2~3p' | tr '\n' ' ')"

  highlight 2
  read -r x y <<<"$(spot_centre 4)"
  xdotool mousedown 1 mousemove "$x" "$y" mouseup 1
  expect_screen 4
  sleep 1
  [ "$(wc -l <"$record")" -eq 60 ] || fail "a press slid from entry 2 onto entry 4 started: $(tail -n2 "$record")"

  highlight 8
  xdotool click 1
  expect_exit 0
}

# Pressed on an entry; another program's window comes up over the menu and takes the foreground;
# the button is released over that window. As a standard button's press, the menu's ends when it
# loses the keyboard: nothing starts, and the menu goes on.
case_press_taken_away() {
  make_disc "$work/disc" press_release.ini
  mkdir -p "$work/disc/tools"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  start_menu "$work/disc/tarvelin.exe"
  local record=$work/disc/tools/standin-record.txt
  trap 'xdotool mouseup 1 2>/dev/null || true; [ -z "${cover_pid:-}" ] || kill "$cover_pid" 2>/dev/null; cleanup' EXIT

  highlight 3
  xdotool mousedown 1
  wine "$helpers/cover.exe" $((window_x + 60)) $((window_y + 120)) 300 200 60 >/dev/null 2>&1 &
  cover_pid=$!
  local deadline=$((SECONDS + 30)) cover=
  until cover=$(xdotool search --onlyvisible --name '^cover$' 2>/dev/null | head -n1) && [ -n "$cover" ]; do
    [ $SECONDS -lt $deadline ] || fail "the covering window did not show"
    sleep 0.1
  done
  # The cover has the keyboard once the menu has handed it over.
  deadline=$((SECONDS + 30))
  until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$cover" ]; do
    [ $SECONDS -lt $deadline ] || fail "the covering window did not take the keyboard"
    sleep 0.1
  done
  xdotool mouseup 1
  sleep 2
  [ ! -s "$record" ] || fail "released over the window that took the foreground, the entry started: $(cat "$record")"
  expect_running
  kill "$cover_pid" 2>/dev/null || true
  wait "$cover_pid" 2>/dev/null || true
  cover_pid=

  # With the cover gone, the menu works as before, and entry 3 never started.
  highlight 1
  xdotool click 1
  wait_for_starts "$record" 1
  highlight 8
  xdotool click 1
  expect_exit 0
  [ "$(tr -d '\r' <"$record" | sed -n '2~3p')" = 'tools\standin.exe one' ] || fail "started: $(cat "$record")"
}

run_case
