#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about the message for a command that cannot be
# started: its text, and its place on the screen.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_missing_command() {
  make_disc "$work/disc" missing_command.ini
  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message 'missing\nothing.exe /x'
  # The menu carries on, the entry still highlighted.
  expect_screen 1
  expect_running
  # An empty command gives the message with nothing between "The file " and " could not be found.".
  highlight 2
  xdotool click 1
  expect_message ''
  expect_screen 2
  xdotool key Escape
  expect_exit 0
}

# The menu moved near the bottom right corner of the screen: its message box, which Windows would
# centre over it, stays on the screen with its OK button.
case_box_on_screen() {
  make_disc "$work/disc" missing_command.ini
  start_menu "$work/disc/tarvelin.exe"
  wine "$helpers/moveto.exe" 700 560 || fail "the menu window could not be moved"
  local deadline=$((SECONDS + 30))
  until read -r window_x window_y < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}') &&
    [ "$window_x,$window_y" = 700,560 ]; do
    [ $SECONDS -lt $deadline ] || fail "the menu window is at $window_x,$window_y, not 700,560"
    sleep 0.1
  done
  highlight 1
  xdotool click 1
  local box= screen_w screen_h
  deadline=$((SECONDS + 30))
  until box=$(xdotool search --onlyvisible --name '^Tarvelin$' 2>/dev/null | head -n1) && [ -n "$box" ]; do
    [ $SECONDS -lt $deadline ] || fail "no message box showed"
    sleep 0.1
  done
  read -r screen_w screen_h < <(xwininfo -root | awk '/^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print w, h}')
  local x y w h
  read -r x y w h < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print x, y, w, h}')
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] && [ $((y + h)) -le "$screen_h" ] ||
    fail "the message box (${w}x${h} at $x,$y) reaches past the ${screen_w}x${screen_h} screen"
  expect_message 'missing\nothing.exe /x'
  highlight 8
  xdotool click 1
  expect_exit 0
}

run_case
