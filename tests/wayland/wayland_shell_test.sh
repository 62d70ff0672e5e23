#!/usr/bin/env bash
# What the menu tells a Wayland compositor about its windows, and what the user sees of it on
# weston. The menu declares its size as both its minimum and its maximum before its first picture
# maps it, so that a tiling compositor floats it at that size instead of stretching it. The message
# box is linked to the menu (xdg_toplevel.set_parent) before its first picture maps it, so that the
# compositor keeps it above the menu: after a click on the menu the box still shows over it, and
# Return typed then still dismisses it. The requests are read from the menu's own protocol log
# (WAYLAND_DEBUG=1), which names each window by the order its toplevel was made in.
#
# Run as: bash SCRIPT PROGRAM ART_DIR, with TARVELIN_HOT_SPOTS naming the build's table of hot spots.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/wayland/weston_lib.sh
source "$(dirname "$0")/weston_lib.sh"

# The shell requests of each toplevel in the order sent, one a line: WINDOW min WxH, WINDOW max WxH,
# WINDOW parent WINDOW, and WINDOW picture for the first buffer attached to its surface. Windows
# are numbered from 1 in the order their toplevels were made; protocol ids are reused, names not.
shell_requests() {
  awk '
    /-> / {
      request = substr($0, index($0, "-> ") + 3)
      name = substr(request, 1, index(request, "(") - 1)
      args = substr(request, index(request, "(") + 1)
      sub(/\)[^)]*$/, "", args)
      split(name, part, ".")
      object = part[1]
      method = part[2]
      n = split(args, arg, ", ")
      for (i = 1; i <= n; i++) sub(/^new id /, "", arg[i])
      if (method == "get_xdg_surface") surface_of[arg[1]] = arg[2]
      else if (object ~ /^xdg_surface@/ && method == "get_toplevel") {
        window_of[arg[1]] = ++windows
        window_on[surface_of[object]] = windows
        mapped[windows] = 0
      } else if (object ~ /^xdg_toplevel@/ && (method == "set_min_size" || method == "set_max_size"))
        print window_of[object], substr(method, 5, 3), arg[1] "x" arg[2]
      else if (object ~ /^xdg_toplevel@/ && method == "set_parent")
        print window_of[object], "parent", (arg[1] in window_of ? window_of[arg[1]] : arg[1])
      else if (object ~ /^wl_surface@/ && method == "attach" && arg[1] != "nil" && (object in window_on)) {
        w = window_on[object]
        if (!mapped[w]) print w, "picture"
        mapped[w] = 1
      }
    }' "$WORK/menu.err"
}

# True when WINDOW sent the request (e.g. "min 480x360") before its first picture, and has a picture.
sent_before_picture() {
  local window=$1 request=$2 requests
  requests=$(shell_requests | awk -v w="$window" '$1 == w {$1 = ""; print substr($0, 2)}')
  grep -q -x 'picture' <<<"$requests" &&
    sed '/^picture$/q' <<<"$requests" | grep -q -x -F "$request"
}

expect_sent_before_picture() {
  local window=$1 request=$2 what=$3
  if wait_for sent_before_picture "$window" "$request"; then
    pass "$what"
  else
    fail "$what: the protocol log shows, window by window: $(shell_requests | tr '\n' ';')"
  fi
}

# The menu's part of the screen, as it shows now, with the pointer's square blacked out.
capture_menu() {
  import -silent -window "$(weston_window)" -crop "$((MENU_W * scale))x$((MENU_H * scale))+${menu_x}+${menu_y}" +repage \
    "$WORK/shot.png" &&
    convert "$WORK/shot.png" -fill black -draw "$(pointer_square "$menu_x" "$menu_y")" "$1"
}
menu_area_shows() { capture_menu "$WORK/now.png" && same_picture "$WORK/now.png" "$1"; }

# Where weston's output differs from the menu alone (showing PICTURE) on the black desktop, the
# pointer left out: WxH+X+Y, or 0x0+... when nothing differs.
difference_from_menu() {
  import -silent -window "$(weston_window)" "$WORK/desktop.png" &&
    convert -size "${OUTPUT_W}x${OUTPUT_H}" xc:black "$EXPECTED/$1.png" -geometry "+$menu_x+$menu_y" -composite \
      "$WORK/menu-alone.png" &&
    convert "$WORK/desktop.png" "$WORK/menu-alone.png" -compose difference -composite -threshold 0 \
      -fill black -draw "$(pointer_square 0 0)" -format '%@' info:
}
# The box shows, and at least a part of it lies over the menu; its rectangle is then box_x, box_y,
# box_w, box_h.
box_on_menu() {
  local area
  area=$(difference_from_menu lit-1) || return 1
  IFS='x+' read -r box_w box_h box_x box_y <<<"$area"
  [ "$box_w" -gt 0 ] && [ "$box_x" -lt $((menu_x + MENU_W)) ] && [ $((box_x + box_w)) -gt "$menu_x" ] &&
    [ "$box_y" -lt $((menu_y + MENU_H)) ] && [ $((box_y + box_h)) -gt "$menu_y" ]
}
# A corner of the menu, 4 pixels in, that the box leaves uncovered: X Y within the menu.
uncovered_corner() {
  local x y
  for x in 4 $((MENU_W - 5)); do
    for y in 4 $((MENU_H - 5)); do
      if [ $((menu_x + x)) -lt "$box_x" ] || [ $((menu_x + x)) -ge $((box_x + box_w)) ] ||
        [ $((menu_y + y)) -lt "$box_y" ] || [ $((menu_y + y)) -ge $((box_y + box_h)) ]; then
        echo "$x $y"
        return
      fi
    done
  done
  return 1
}

start_xvfb
make_disc <(printf 'Wayland shell test\r\ntools\\missing.exe\r\n')
make_expected_pictures
start_weston 1
start_menu_on_weston SDL_VIDEODRIVER=wayland WAYLAND_DEBUG=1

expect_sent_before_picture 1 "min ${MENU_W}x${MENU_H}" \
  "the menu declares ${MENU_W} x ${MENU_H} its minimum size before its first picture maps it"
expect_sent_before_picture 1 "max ${MENU_W}x${MENU_H}" \
  "the menu declares ${MENU_W} x ${MENU_H} its maximum size before its first picture maps it"

# --- The message box, over the menu and kept there.
point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
expect_sent_before_picture 2 "parent 1" "the message box is linked to the menu before its first picture maps it"
if wait_for box_on_menu; then
  pass "the message box shows over the menu"
else
  fail "no message box shows over the menu (weston draws $(drawn_box); the menu is at +$menu_x+$menu_y)"
fi

# A click on the menu, where the box leaves it uncovered.
if ! corner=$(uncovered_corner); then
  fail "the box covers every corner of the menu: there is no place to click the menu"
  corner="4 4"
fi
# shellcheck disable=SC2086
point_at $corner
wait_for box_on_menu || true
capture_menu "$EXPECTED/box-over-menu.png"
xdotool click 1
box_stays=1
for _ in $(seq 20); do
  menu_area_shows "$EXPECTED/box-over-menu.png" || box_stays=0
  sleep 0.05
done
if [ "$box_stays" = 1 ]; then
  pass "after a click on the menu the box still shows over it"
else
  cp "$WORK/now.png" "$PWD/failed-wayland_shell-menu-over-box.png"
  fail "after a click on the menu the box no longer shows over it (screenshot kept in $PWD/failed-wayland_shell-menu-over-box.png)"
fi
xdotool key Return
if wait_for screen_shows plain; then
  pass "Return typed after the click on the menu dismisses the box"
else
  fail "Return typed after the click on the menu leaves the box"
fi

xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
stop_weston
finish
