#!/usr/bin/env bash
# The menu on Wayland, where SDL uses its Wayland driver: on weston's output the window shows the
# pictures pixel for pixel, the entry under the pointer lights up, a click starts its program and
# Escape ends the menu with exit status 0. On an output of scale 2 the menu is drawn at the
# output's own pixels, 960 x 720, every picture pixel a 2 x 2 square, and answers to the pointer
# at the same places. A missing program shows the message box there too, with no dialog program.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/wayland/weston_lib.sh
source "$(dirname "$0")/weston_lib.sh"

starts_of() { grep -c -F "$1" "$STARTS" 2>/dev/null || true; }

# The output shows more than the menu: a window beside it or over it.
box_shows() { [ "$(drawn_box)" != "$((MENU_W * scale))x$((MENU_H * scale))+$menu_x+$menu_y" ] || ! screen_shows lit-4; }
menu_alone() { [ "$(drawn_box)" = "$((MENU_W * scale))x$((MENU_H * scale))+$menu_x+$menu_y" ] && screen_shows lit-4; }

start_xvfb
make_disc <(printf 'Wayland test\r\ntools\\stand-in.sh one %s\r\ntools\\stand-in.sh two %s\r\ntools\\stand-in.sh three %s\r\ntools\\missing.exe\r\n' "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN")

for scale in 1 2; do
  make_expected_pictures
  start_weston "$scale"
  start_menu_on_weston SDL_VIDEODRIVER=wayland
  pass "scale $scale: the menu shows on weston's output at $((MENU_W * scale)) x $((MENU_H * scale)) pixels"
  expect_screen plain "scale $scale: the window shows background.bmp pixel for pixel, each a $scale x $scale square"

  for index in 1 3 8; do
    point_at 20 20
    expect_screen plain "scale $scale: the bare window before hot spot $index shows the plain picture"
    point_at_hot_spot "$index"
    expect_screen "lit-$index" "scale $scale: pointing at hot spot $index shows its highlight only"
  done

  point_at_hot_spot "$scale"
  expect_screen "lit-$scale" "scale $scale: entry $scale highlighted"
  xdotool click 1
  word=$([ "$scale" = 1 ] && echo one || echo two)
  if wait_for has_starts "$scale" && [ "$(starts_of "[$word]")" -eq 1 ]; then
    pass "scale $scale: a click on entry $scale starts its program"
  else
    fail "scale $scale: a click on entry $scale started: $(cat "$STARTS" 2>/dev/null)"
  fi

  # The message box: something more than the menu shows, until Return is typed into it.
  point_at_hot_spot 4
  expect_screen lit-4 "scale $scale: entry 4 highlighted"
  sleep 0.6  # not a double-click with the click before
  xdotool click 1
  if wait_for box_shows; then
    pass "scale $scale: a missing program shows a message box$(command -v zenity >/dev/null || echo ", no zenity installed")"
  else
    fail "scale $scale: no message box showed (drawn: $(drawn_box))"
  fi
  xdotool key Return
  if wait_for menu_alone; then pass "scale $scale: Return dismisses the box"; else fail "scale $scale: the box stays"; fi
  expect_screen lit-4 "scale $scale: the menu shows as before the box"

  # The keyboard is the menu's again.
  xdotool key Escape
  expect_menu_exit_status 0 "scale $scale: Escape ends the program"
  stop_weston
done

finish
