#!/usr/bin/env bash
# The menu on sway, a tiling compositor, run by an unprivileged user (sway refuses root; nobody when
# the test runs as root) with a runtime directory of its own; grim takes its screenshots. The menu
# floats at its own size, centred, pixel for pixel, instead of being tiled over the whole output
# and stretched. Made to tile anyway, it shows its picture unstretched in the window's top-left
# corner, white (the window colour) beyond it, and the pointer on an entry as drawn lights that
# entry. While the message box shows, a click on the menu gives the menu the keyboard, and Return,
# Escape and Space typed into the menu answer the box. Escape ends it with status 0. As an X program
# on sway's XWayland, a click on an entry starts it also after the pointer was over the desktop.
#
# Run as: bash SCRIPT PROGRAM ART_DIR [BACKEND], with TARVELIN_HOT_SPOTS naming the build's table of
# hot spots. BACKEND x11 (the default) runs sway on its X11 back end inside the test's Xvfb, whose
# pointer and keyboard (xdotool) are its seat's. headless runs it on its headless back end with no
# input device, as on a machine without a display: a virtual keyboard (wtype) types there, and
# nothing can point, so the pointer's check does not run.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"

readonly BACKEND=${3:-x11}
tools=(sway grim swaymsg)
[ "$BACKEND" = headless ] && tools+=(wtype)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
readonly OUTPUT_W=$SCREEN_W OUTPUT_H=$SCREEN_H
# shellcheck source=tests/wayland/sway_lib.sh
source "$(dirname "$0")/sway_lib.sh"

case $BACKEND in
  x11)
    start_xvfb
    SEAT_ENV=(DISPLAY="$DISPLAY")
    BACKEND_ENV=(WLR_BACKENDS=x11 WLR_X11_OUTPUTS=1)
    OUTPUT_NAME=X11-1
    ;;
  headless)
    SEAT_ENV=()
    BACKEND_ENV=(WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1)
    OUTPUT_NAME=HEADLESS-1
    ;;
  *) echo "no sway back end called $BACKEND" >&2; exit 2 ;;
esac
readonly BACKEND_ENV OUTPUT_NAME
sway_user_env "${SEAT_ENV[@]}"

make_disc <(printf 'Sway test\r\ntools\\missing.exe\r\ntools\\stand-in.sh one %s\r\n' "$RUN_TOKEN")
# The user's stand-in records its starts in the test's file.
touch "$STARTS"
chmod a+w "$STARTS"
make_expected_pictures
# XWayland, started with sway, for the X program's part, where a pointer can reach it.
if [ "$BACKEND" = headless ]; then xwayland=disable; else xwayland=force; fi
start_sway "output $OUTPUT_NAME mode ${OUTPUT_W}x${OUTPUT_H} bg #000000 solid_color
default_border none
default_floating_border none
xwayland $xwayland" "${BACKEND_ENV[@]}" || { echo "sway did not start" >&2; exit 1; }

# The whole output, as grim sees it, in $WORK/output.png.
output_shot() { in_session grim "$RUNTIME/output.png" && cp "$RUNTIME/output.png" "$WORK/output.png"; }
# The box around everything that is not black: WxH+X+Y.
drawn_box() { output_shot && convert "$WORK/output.png" -format '%@' info: 2>/dev/null; }
region_shows() { # PICTURE WxH+X+Y
  output_shot && convert "$WORK/output.png" -crop "$2" +repage "$WORK/region.png" &&
    same_picture "$WORK/region.png" "$1"
}
all_white() { # WxH+X+Y
  convert "$WORK/output.png" -crop "$1" +repage "$WORK/part.png" &&
    [ "$(convert "$WORK/part.png" -format '%[fx:minima.r==1 && minima.g==1 && minima.b==1]' info:)" = 1 ]
}
tiled_unstretched() {
  region_shows "$EXPECTED/plain.png" "${MENU_W}x${MENU_H}+0+0" &&
    all_white "$((OUTPUT_W - MENU_W))x${OUTPUT_H}+${MENU_W}+0" && all_white "${MENU_W}x$((OUTPUT_H - MENU_H))+0+${MENU_H}"
}

# The pointer waits in the output's far corner, away from where the menu opens.
[ "$BACKEND" = headless ] || xdotool mousemove $((OUTPUT_W - 1)) $((OUTPUT_H - 1))
start_menu_on_sway

readonly CENTRED="${MENU_W}x${MENU_H}+$(((OUTPUT_W - MENU_W) / 2))+$(((OUTPUT_H - MENU_H) / 2))"
centred_window() { [ "$(drawn_box)" = "$CENTRED" ]; }
if wait_for centred_window; then
  pass "the menu floats at ${MENU_W} x ${MENU_H}, centred on the output"
else
  cp "$WORK/output.png" "$PWD/failed-sway-floating.png"
  fail "the menu does not float at its size: sway draws $(drawn_box) (screenshot kept in $PWD/failed-sway-floating.png)"
fi
if wait_for region_shows "$EXPECTED/plain.png" "$CENTRED"; then
  pass "the floating window shows background.bmp pixel for pixel"
else
  fail "the floating window does not show background.bmp pixel for pixel"
fi

# Its application id, by which docks and task bars group and label it, is the program's name.
if in_session swaymsg -t get_tree | grep -q '"app_id": "Tarvelin"'; then
  pass "the menu's application id is Tarvelin"
else
  fail "the menu's application id: $(in_session swaymsg -t get_tree | grep -o '"app_id": "[^"]*"' | xargs)"
fi

# Made to tile, the window is given the whole output.
in_session swaymsg "[pid=$menu_pid] floating disable" >/dev/null
if wait_for tiled_unstretched; then
  pass "tiled over the whole output, the menu shows its picture unstretched at the top-left, white beyond it"
else
  cp "$WORK/output.png" "$PWD/failed-sway-tiled.png"
  fail "tiled, the menu does not show its picture unstretched at the top-left (screenshot kept in $PWD/failed-sway-tiled.png)"
fi

# The pointer on entry 3 where the tiled window draws it.
if [ "$BACKEND" = headless ]; then
  echo "left to the run on the X11 back end: the pointer on an entry (a headless sway has no pointer)"
else
  read -r left top width height < <(hot_spot 3)
  xdotool mousemove $((left + width / 2)) $((top + height / 2))
  if wait_for region_shows "$EXPECTED/lit-3.png" "${MENU_W}x${MENU_H}+0+0"; then
    pass "tiled, the pointer on entry 3 as drawn lights entry 3"
  else
    cp "$WORK/output.png" "$PWD/failed-sway-hover.png"
    fail "tiled, the pointer on entry 3 as drawn does not light it (screenshot kept in $PWD/failed-sway-hover.png)"
  fi
fi

# The message box, after a click on the menu: each of Return, Escape and Space typed into the
# menu, which then has the keyboard, answers it; Escape does not end the menu.
boxes() { in_session swaymsg -t get_tree | grep -c '"name": "Tarvelin"' || true; }
boxes_are() { [ "$(boxes)" = "$1" ]; }
if [ "$BACKEND" = headless ]; then
  echo "left to the run on the X11 back end: the message box after a click on the menu (a headless sway has no pointer)"
else
  # Tiled, the menu lies at the output's top-left corner.
  menu_x=0 menu_y=0 keys_answer_box 1
fi

# A virtual keyboard gives the menu the keyboard when it appears; it types once the menu has
# taken the keyboard up.
if [ "$BACKEND" = headless ]; then in_session wtype -s 300 -k Escape; else xdotool key Escape; fi
expect_menu_exit_status 0 "Escape ends the program"

# --- The menu as an X program on sway's XWayland: after the pointer has been over the desktop,
# moved there or clicked there, a click on the entry it then jumps to starts that entry's program,
# five times each. (XWayland sent such a press to the desktop, where the pointer had last moved.)
if [ "$BACKEND" = headless ]; then
  echo "left to the run on the X11 back end: the X program's clicks after the desktop (a headless sway has no pointer)"
else
  in_session swaymsg exec "echo \$DISPLAY >$RUNTIME/xwayland-display" >/dev/null
  xwayland_known() { [ -s "$RUNTIME/xwayland-display" ]; }
  wait_for xwayland_known || { echo "sway's XWayland did not start" >&2; exit 1; }
  read -r xwayland_display <"$RUNTIME/xwayland-display"
  xdotool mousemove $((OUTPUT_W - 1)) $((OUTPUT_H - 1))
  (cd "$ELSEWHERE" && exec "${USER_ENV[@]}" DISPLAY="$xwayland_display" SDL_VIDEODRIVER=x11 "$DISC/tarvelin") \
    2>"$WORK/menu.err" &
  menu_pid=$!
  # (XWayland takes the pointer for where it last knew it, the output's middle, until it moves.)
  if wait_for centred_window; then
    pass "on XWayland, the menu floats centred"
  else
    cp "$WORK/output.png" "$PWD/failed-sway-xwayland.png"
    fail "on XWayland, the menu does not show centred (screenshot kept in $PWD/failed-sway-xwayland.png)"
  fi
  menu_x=$(((OUTPUT_W - MENU_W) / 2))
  menu_y=$(((OUTPUT_H - MENU_H) / 2))
  starts=$(start_count)
  for desktop in "a move" "a click"; do
    started=0
    for _ in 1 2 3 4 5; do
      xdotool mousemove 100 100
      sleep 0.3
      [ "$desktop" = "a click" ] && xdotool click 1 sleep 0.3
      point_at_hot_spot 2
      sleep 0.3
      xdotool click 1
      if wait_for has_starts $((starts + 1)); then started=$((started + 1)); fi
      starts=$(start_count)
    done
    if [ "$started" -eq 5 ]; then
      pass "on XWayland, after $desktop over the desktop, a click on entry 2 starts its program (5 of 5)"
    else
      fail "on XWayland, after $desktop over the desktop, a click on entry 2 started its program $started of 5 times"
    fi
  done
  xdotool key Escape
  expect_menu_exit_status 0 "on XWayland, Escape ends the program"
fi
finish
