#!/usr/bin/env bash
# The menu under a real window manager on X11 (openbox, xfwm4, mutter or kwin_x11, started on the
# test's own Xvfb), or an X program under a Wayland compositor (kwin_wayland or mutter_wayland,
# headless, through its XWayland), in two parts:
#  - window: the window is 480 x 360 without decoration, centred, pixel for pixel; the message box
#    is a modal dialog of the menu that takes the keyboard; a second start from the menu's folder
#    while another program has the keyboard brings the menu to the front with the keyboard and
#    ends; Escape ends the menu with exit status 0; a tap that brings the box shows it over the
#    entry lit.
#  - first_click: with another program's window focused, the first click on an entry starts it, and
#    after a click on the menu the keyboard still answers the box. Skipped (77) where the click
#    never reaches the window manager, so that the menu gets no focus from it: XTEST's clicks on
#    XWayland are XWayland's own, which its compositor never sees.
#
# Run as: bash SCRIPT PROGRAM ART_DIR WINDOW_MANAGER window|first_click XTEST_POINTER (tests/sdl's
# helper), with TARVELIN_HOT_SPOTS naming the build's table of hot spots.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/desktop/desktop_lib.sh
source "$(dirname "$0")/desktop_lib.sh"
readonly WINDOW_MANAGER=$3 PART=$4 XTEST_POINTER=$5
case $PART in window | first_click) ;; *) echo "no part $PART" >&2; exit 2 ;; esac

# mutter_wayland: mutter as a Wayland compositor.
command -v "${WINDOW_MANAGER/#mutter_wayland/mutter}" >/dev/null || { echo "SKIP: $WINDOW_MANAGER is not installed"; exit 77; }
case $WINDOW_MANAGER in
  openbox) wm=(openbox --sm-disable --config-file /dev/null) ;;
  xfwm4) wm=(xfwm4 --replace --compositor=off --sm-client-disable) ;;
  mutter) wm=(mutter --x11 --replace --sm-disable) ;;
  kwin_x11) wm=(kwin_x11 --replace) ;;
  kwin_wayland | mutter_wayland) ;;  # started by start_compositor
  *) echo "no way to start $WINDOW_MANAGER" >&2; exit 2 ;;
esac
[[ $WINDOW_MANAGER == *_wayland ]] || start_xvfb
start_session_bus
if [[ $WINDOW_MANAGER == *_wayland ]]; then
  start_compositor "$WINDOW_MANAGER"
  export SDL_VIDEODRIVER=x11
  # XWayland has no picture of the screen (its root window is empty): the menu's window is read.
  screenshot() { import -silent -window "$menu_window" "$1"; }
else
  "${wm[@]}" >"$WORK/wm.log" 2>&1 &
  wm_pid=$!
fi
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for wm_ready || { cat "$WORK/wm.log" >&2; echo "$WINDOW_MANAGER did not start" >&2; exit 1; }

make_disc <(printf 'Window manager test\r\ntools\\stand-in.sh one %s\r\ntools\\missing.exe\r\n' "$RUN_TOKEN")
make_expected_pictures
start_menu

box_has_keyboard() { [ "$(xdotool getwindowfocus)" = "$((box))" ]; }
# Clicks entry 2, whose command is missing, and waits for the box; its window is $box.
open_box() {
  point_at_hot_spot 2
  expect_screen lit-2 "entry 2 lit"
  sleep 0.6  # no double-click with a click before
  xdotool click 1
  wait_for message_box_shown || { fail "no message box"; finish; exit 1; }
  box=$(message_box_window)
}

# A reparenting window manager puts each window into a frame of its own, the child of the root.
frame_of() {
  local window=$1 parent
  while parent=$(xwininfo -id "$window" -tree | awk '/Parent window id:/ {print $4}') &&
    [ "$parent" != "$(xwininfo -root | awk '/Window id:/ {print $4}')" ]; do
    window=$parent
  done
  echo "$window"
}
# Another program's window, focused, as the file manager that offered to run autorun.sh would be.
other_window() {
  xlogo -geometry 200x150+10+10 >/dev/null 2>&1 &
  other_pid=$!
  other=$(xdotool search --sync --onlyvisible --class xlogo | head -n1)
  xdotool windowactivate --sync "$other"
}
focused_is() { [ "$(xdotool getwindowfocus)" = "$1" ]; }

if [ "$PART" = window ]; then
  # --- The window: 480 x 360 with no frame of the window manager's around it, centred, the picture.
  read -r frame_w frame_h < <(xwininfo -id "$(frame_of "$menu_window")" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w, h}')
  if [ "$frame_w x $frame_h" = "$MENU_W x $MENU_H" ]; then
    pass "the window is 480 x 360 with no decoration"
  else
    fail "the window with what the window manager puts around it is $frame_w x $frame_h"
  fi
  expect_centred_window
  expect_screen plain "the menu shows its picture"

  # --- The box: a modal dialog of the menu, which takes the keyboard.
  open_box
  box_type=$(xprop -id "$box" _NET_WM_WINDOW_TYPE 2>&1 || true)
  box_state=$(xprop -id "$box" _NET_WM_STATE 2>&1 || true)
  if grep -q _NET_WM_WINDOW_TYPE_DIALOG <<<"$box_type" && grep -q _NET_WM_STATE_MODAL <<<"$box_state"; then
    pass "the box is declared a modal dialog"
  else
    fail "the box declares: $box_type; $box_state"
  fi
  wait_for box_has_keyboard || fail "the box did not take the keyboard"
  xdotool key Return
  if wait_for no_message_box; then pass "Return dismisses the box"; else fail "Return did not dismiss the box"; fi

  # --- Started again from its folder while another program has the keyboard (the user opens the
  # medium's autorun.sh once more): the menu comes to the front with the keyboard, the start ends.
  other_window
  wait_for focused_is "$other" || fail "the other window did not take the keyboard"
  status=0
  (cd "$ELSEWHERE" && exec timeout 10 "$DISC/tarvelin") 2>"$WORK/second.err" || status=$?
  if [ "$status" -eq 0 ] && menu_running; then
    pass "a second start from the menu's folder ends (status 0)"
  else
    fail "a second start from the menu's folder: status $status; $(cat "$WORK/second.err")"
  fi
  if wait_for focused_is "$menu_window"; then
    pass "the second start brought the menu to the front with the keyboard"
  else
    fail "after the second start the keyboard is on $(xdotool getwindowfocus), not the menu ($menu_window)"
  fi
  kill "$other_pid"
else
  other_window
  wait_for focused_is "$other" || fail "the other window did not take the keyboard"

  # --- The first click on an entry of the menu behind another window starts it.
  point_at_hot_spot 1
  expect_screen lit-1 "entry 1 lights up under the pointer while another window has the keyboard"
  xdotool click 1
  if ! wait_for has_starts 1; then
    fail "the first click on the unfocused menu started nothing"
  elif focused_is "$other"; then
    # The click started the entry but gave the menu no focus: the window manager never saw it, and
    # it tells nothing about the first click a user makes, nor about a click on the menu later.
    [ "$failures" -eq 0 ] || { finish; exit 1; }
    echo "SKIP: the first click on the unfocused menu and the keyboard after a click on the menu: $WINDOW_MANAGER never saw the click, which gave the menu no focus"
    exit 77
  else
    pass "the first click on the unfocused menu starts entry 1"
  fi
  kill "$other_pid"

  # --- After a click on the menu while the box shows, the keyboard still answers the box.
  open_box
  wait_for box_has_keyboard || fail "the box did not take the keyboard"
  point_at 20 20
  xdotool click 1
  sleep 0.5
  xdotool key Return
  if wait_for no_message_box; then
    pass "after a click on the menu, Return still answers the box"
  else
    fail "after a click on the menu, Return did not dismiss the box (keyboard on $(xdotool getwindowfocus), box $box)"
    xdotool key --window "$box" Return
    wait_for no_message_box || true
  fi
fi

xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"

[ "$PART" = window ] || { finish; exit; }
# --- A tap from outside a new menu onto entry 2, whose program is missing: the movement and the
# click in one breath. The box asks over the entry lit, which stays lit once the box is gone.
start_menu
read -r left top width height < <(hot_spot 2)
"$XTEST_POINTER" tap $((menu_x + left + width / 2)) $((menu_y + top + height / 2))
if wait_for message_box_shown; then
  box=$(message_box_window)
  read -r box_x box_y box_w box_h < <(xwininfo -id "$(frame_of "$box")" | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}')
  if wait_for entry_lit_beside_box 2 "$box_x" "$box_y" "$box_w" "$box_h" 28; then
    pass "after a tap, the box asks over entry 2 lit"
  else
    cp "$WORK/screen.png" "$PWD/failed-tap-$WINDOW_MANAGER.png"
    fail "after a tap, entry 2 is not lit beside the box (screenshot kept in $PWD/failed-tap-$WINDOW_MANAGER.png)"
  fi
  xdotool key --window "$box" Return
  wait_for no_message_box || fail "Return typed into the box after the tap left it"
  expect_screen lit-2 "after the tap's box, entry 2 stays lit"
else
  fail "a tap on entry 2 showed no box"
fi
xdotool key Escape
expect_menu_exit_status 0 "Escape after the tap ends the program"
finish
