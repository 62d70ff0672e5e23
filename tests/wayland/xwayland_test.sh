#!/usr/bin/env bash
# The menu in a Wayland session that runs X programs through XWayland, as most desktops do: with
# no video driver asked for, SDL takes X11, and the window shows on the compositor's output pixel
# for pixel, lights the entry under the pointer, starts a program on a click and ends on Escape.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/wayland/weston_lib.sh
source "$(dirname "$0")/weston_lib.sh"

starts_of() { grep -c -F "$1" "$STARTS" 2>/dev/null || true; }

start_xvfb
make_disc <(printf 'XWayland test\r\ntools\\stand-in.sh one %s\r\n' "$RUN_TOKEN")
make_expected_pictures
start_weston_with_xwayland

start_menu_on_weston -u SDL_VIDEODRIVER DISPLAY="$session_display" WAYLAND_DISPLAY="$WAYLAND_DISPLAY"
if [ -n "$(DISPLAY=$session_display xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null)" ]; then
  pass "with both displays set, the menu is an X window on XWayland ($session_display)"
else
  fail "the menu has no window on XWayland ($session_display)"
fi
# XWayland knows the pointer only once it is over one of its windows; until then a new window may
# be told of a pointer at XWayland's own idea of its place.
point_at 20 20
expect_screen plain "with the pointer on the bare window, it shows background.bmp pixel for pixel"
point_at_hot_spot 1
expect_screen lit-1 "pointing at entry 1 shows its highlight only"
xdotool click 1
if wait_for has_starts 1 && [ "$(starts_of "[one]")" -eq 1 ]; then
  pass "a click on entry 1 starts its program"
else
  fail "a click on entry 1 started: $(cat "$STARTS" 2>/dev/null)"
fi
point_at_hot_spot 8
expect_screen lit-8 "pointing at the exit button shows its highlight only"

xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
