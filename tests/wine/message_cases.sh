#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about the message for a command that cannot be
# started: its text, its place on the screen, the entry lit under it, and the system's reason in
# the debug output.

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

# A tap from outside the menu onto entry 1, whose command is missing, as the first thing the user
# does: the movement and the click in one breath. The box asks over the entry lit, as the movement
# showed it before the click acted, and the entry stays lit once the box is gone. A menu of its own
# each time: its first tap is the one whose click comes while the movement is handled.
case_tap_message() {
  local tap left top width height box x y w h deadline
  read -r left top width height <<<"$(hot_spot 1)"
  make_disc "$work/disc" missing_command.ini
  for tap in 1 2 3; do
    start_menu "$work/disc/tarvelin.exe"
    expect_screen 0
    xdotool mousemove $((window_x + left + width / 2)) $((window_y + top + height / 2)) click 1
    deadline=$((SECONDS + 30))
    until box=$(xdotool search --onlyvisible --name '^Tarvelin$' 2>/dev/null | head -n1) && [ -n "$box" ]; do
      [ $SECONDS -lt $deadline ] || fail "tap $tap: no message box showed"
      sleep 0.1
    done
    read -r x y w h < <(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
      /^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print x, y, w, h}')
    # Entry 1 where the box leaves it to be seen, against the same part of the expected picture.
    local masked=(-fill black -draw "rectangle $((x - window_x)),$((y - window_y)) $((x - window_x + w - 1)),$((y - window_y + h - 1))"
                  -crop "${width}x${height}+${left}+${top}" +repage)
    convert "$(expected_picture 1)" "${masked[@]}" "$work/entry-lit.ppm"
    deadline=$((SECONDS + 20))
    until import -window root -crop "480x360+${window_x}+${window_y}" +repage "$work/screen.ppm" 2>/dev/null &&
      convert "$work/screen.ppm" "${masked[@]}" "$work/entry.ppm" &&
      [ "$(compare -metric AE "$work/entry.ppm" "$work/entry-lit.ppm" null: 2>&1)" = 0 ]; do
      [ $SECONDS -lt $deadline ] || fail "tap $tap: while the box shows, entry 1 is not lit (see $work/screen.ppm)"
      sleep 0.1
    done
    expect_message 'missing\nothing.exe /x'
    expect_screen 1
    xdotool key Escape
    expect_exit 0
  done
}

# The menu moved near the bottom right corner of the screen: its message box shows over it, as far
# as the screen allows, with its OK button on the screen.
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
  # Part of the window is off the screen now: entry 1 is checked where it shows, from its left end.
  pointer_to_spot 1
  local left top _ height
  read -r left top _ height <<<"$(hot_spot 1)"
  convert "$(expected_picture 1)" -crop "200x${height}+${left}+${top}" +repage "$work/entry-lit.ppm"
  deadline=$((SECONDS + 20))
  until import -window root -crop "200x${height}+$((window_x + left))+$((window_y + top))" +repage "$work/entry.ppm" &&
    [ "$(compare -metric AE "$work/entry.ppm" "$work/entry-lit.ppm" null: 2>&1)" = 0 ]; do
    [ $SECONDS -lt $deadline ] || fail "entry 1 did not light up near the corner"
    sleep 0.1
  done
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
  # Over the menu's centre as far as the screen allows: against its right and bottom edges here.
  local want_x=$((window_x + 240 - w / 2)) want_y=$((window_y + 180 - h / 2))
  [ "$want_x" -le $((screen_w - w)) ] || want_x=$((screen_w - w))
  [ "$want_y" -le $((screen_h - h)) ] || want_y=$((screen_h - h))
  [ "$x,$y" = "$want_x,$want_y" ] ||
    fail "the message box (${w}x${h}) is at $x,$y, not over the menu and on the ${screen_w}x${screen_h} screen at $want_x,$want_y"
  expect_message 'missing\nothing.exe /x'
  xdotool key Escape
  expect_exit 0
}

# A document with no application for it, and a program under a path of more than 260 characters:
# the one message shows, and the system's reason goes to the debug output (OutputDebugString,
# which Wine writes to standard error: Wine 8 on its seh channel's warnings, later ones on debugstr).
case_reasons() {
  make_disc "$work/disc" missing_command.ini
  local folder=deep i
  for i in $(seq 12); do folder="$folder\\folder-with-a-long-name-$i"; done
  mkdir -p "$work/disc/docs" "$work/disc/${folder//\\//}"
  echo 'Notes' >"$work/disc/docs/notes.tvnone"
  cp "$helpers/standin.exe" "$work/disc/${folder//\\//}/setup.exe"
  printf 'Reasons\r\ndocs\\notes.tvnone\r\n%s\\setup.exe\r\n' "$folder" >"$work/disc/options.ini"
  [ "$(printf 'D:\\%s\\setup.exe' "$folder" | wc -c)" -gt 260 ] || fail "the case's path is not over 260 characters"
  disc_is_drive_d "$work/disc"
  WINEDEBUG=-all,warn+seh,+debugstr start_menu 'D:\tarvelin.exe'
  highlight 1
  xdotool click 1
  expect_message 'docs\notes.tvnone'
  grep -q 'tarvelin: ShellExecuteEx failed with error [0-9].*; cannot start \\"docs\\\\notes.tvnone\\"' "$work/menu.log" ||
    fail "no reason for the document without an application in the debug output: $(grep OutputDebugString "$work/menu.log")"
  highlight 2
  xdotool click 1
  expect_message "$folder\\setup.exe"
  grep -q 'tarvelin: [A-Za-z]* failed with error [0-9].*; cannot start \\"deep\\\\folder-with-a-long-name-1' "$work/menu.log" ||
    fail "no reason for the program under a long path in the debug output: $(grep OutputDebugString "$work/menu.log")"
  xdotool key Escape
  expect_exit 0
}

run_case
