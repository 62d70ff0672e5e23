#!/usr/bin/env bash
# The menu on a desktop that scales: at 200 % (the X resource Xft.dpi 192) the window is 960 x 720
# and centred, shows the pictures with every pixel doubled, and the entries answer to the pointer
# and to clicks at their doubled places. The desktop's scale comes from Xft.dpi, else from
# GDK_SCALE; only whole factors are used, and only as large as the screen has room for. On a screen
# smaller than the menu the window shrinks to fit it, the whole menu on the screen.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

if ! command -v xrdb >/dev/null; then
  echo "xrdb is needed to set the desktop's scale (Debian package x11-xserver-utils)" >&2
  exit 1
fi

# Sets the X resource Xft.dpi on the test's X server as a desktop does for its scaling setting;
# the menu reads it when it starts.
set_xft_dpi() { echo "Xft.dpi: $1" | xrdb -nocpp -merge; }

window_size() { xwininfo -id "$menu_window" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w "x" h}'; }

# Checks that the menu window has this size (WxH) and is centred on the screen.
expect_window() {
  local expected=$1 what=$2 size
  size=$(window_size)
  local width=${expected%x*} height=${expected#*x}
  if [ "$size" = "$expected" ] &&
    [ "$menu_x,$menu_y" = "$(((SCREEN_W - width) / 2)),$(((SCREEN_H - height) / 2))" ]; then
    pass "$what: the window is $expected and centred"
  else
    fail "$what: the window is $size at $menu_x,$menu_y, expected $expected centred on $SCREEN_W x $SCREEN_H"
  fi
}

close_menu() {
  xdotool key Escape
  expect_menu_exit_status 0 "$1"
}

starts_of() { grep -c -F "$1" "$STARTS" 2>/dev/null || true; }

start_xvfb
make_disc <(printf 'Scaling test\r\ntools\\stand-in.sh one %s\r\ntools\\stand-in.sh two %s\r\ntools\\stand-in.sh three %s\r\n' "$RUN_TOKEN" "$RUN_TOKEN" "$RUN_TOKEN")
scale=2
make_expected_pictures

# --- A desktop at 200 %.
set_xft_dpi 192
start_menu
expect_window 960x720 "Xft.dpi 192"
expect_screen plain "the window shows background.bmp scaled x2 pixel for pixel"

# Each hot spot at its doubled centre, entered from the bare window.
for index in 1 2 3 4 5 8; do
  point_at 40 40
  expect_screen plain "the bare window before hot spot $index shows the plain picture x2"
  point_at_hot_spot "$index"
  expect_screen "lit-$index" "pointing at hot spot $index shows its highlight x2 only"
done

# Each picture pixel of entry 1 is a square of window pixels, from (left, top) x 2 to
# (right, bottom) x 2 + 1: each of its edges, from inside and from the window pixel just past it.
read -r left top width height < <(hot_spot 1)
x0=$((left * scale)) y0=$((top * scale))
x1=$(((left + width) * scale - 1)) y1=$(((top + height) * scale - 1))
point_at "$x1" "$y1"
expect_screen lit-1 "the bottom-right window pixel of entry 1 highlights it"
point_at "$x1" $((y1 + 1))
expect_screen plain "the window pixel below it is bare window"
point_at "$x1" "$y0"
expect_screen lit-1 "the top-right window pixel of entry 1 highlights it"
point_at $((x1 + 1)) "$y0"
expect_screen plain "the window pixel right of it is bare window"
point_at "$x0" "$y0"
expect_screen lit-1 "the top-left window pixel of entry 1 highlights it"
point_at $((x0 - 1)) "$y0"
expect_screen plain "the window pixel left of it is bare window"
point_at "$x0" "$y1"
expect_screen lit-1 "the bottom-left window pixel of entry 1 highlights it"
point_at "$x0" $((y0 - 1))
expect_screen plain "the window pixel above it is bare window"

# Clicks land where the pointer is on the doubled picture.
point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted"
xdotool click 1
if wait_for has_starts 1 && [ "$(starts_of "[three]")" -eq 1 ]; then
  pass "a click on the doubled entry 3 starts its program"
else
  fail "a click on the doubled entry 3 started: $(cat "$STARTS" 2>/dev/null)"
fi

# The double-click square grows with the picture: a second press 3 window pixels (1.5 picture
# pixels) from the first is the second half of a double-click, and starts nothing more.
point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted"
xdotool click 1 mousemove_relative 3 0 click 1
point_at_hot_spot 4
expect_screen lit-4 "entry 4 highlighted after the double-click"
wait_for stand_ins_done || fail "stand-in programs still running"
if [ "$(starts_of "[two]")" -eq 1 ]; then
  pass "a double-click with the pointer moved 3 window pixels starts once"
else
  fail "a double-click with the pointer moved 3 window pixels started $(starts_of "[two]") times"
fi

point_at_hot_spot 8
expect_screen lit-8 "exit button highlighted"
xdotool click 1
expect_menu_exit_status 0 "a click on the doubled exit button ends the program"

# --- Only whole factors, and only as large as fits the screen.
set_xft_dpi 288
start_menu
expect_window 960x720 "Xft.dpi 288 on a 1024 x 768 screen (x3 would not fit)"
expect_screen plain "x2 instead of x3: background.bmp scaled x2"
close_menu "Escape ends the program at x2"

set_xft_dpi 144
start_menu
expect_window 480x360 "Xft.dpi 144 (150 %, no whole factor above 1)"
close_menu "Escape ends the program at x1"

# --- GDK_SCALE counts when the desktop sets no Xft.dpi, and only then.
xrdb -remove
GDK_SCALE=2 start_menu
expect_window 960x720 "no Xft.dpi, GDK_SCALE=2"
expect_screen plain "GDK_SCALE=2: background.bmp scaled x2"
close_menu "Escape ends the program with GDK_SCALE=2"

set_xft_dpi 96
GDK_SCALE=2 start_menu
expect_window 480x360 "Xft.dpi 96 comes before GDK_SCALE=2"
close_menu "Escape ends the program at Xft.dpi 96"

# --- A screen lower than the menu, 640 x 300: the window shrinks to 400 x 300 and lies wholly on
# the screen, the exit button included; the pointer finds entries and the exit button where they
# show.
xvfb_stop
xvfb_start 640x300x24 "$WORK/xvfb-small.log" || exit 1
start_menu
if [ "$(window_size) $menu_x,$menu_y" = "400x300 120,0" ]; then
  pass "on a 640 x 300 screen the window is 400 x 300 at 120,0"
else
  fail "on a 640 x 300 screen the window is $(window_size) at $menu_x,$menu_y, expected 400 x 300 at 120,0"
fi
# Shrunk, each screen pixel the mean of the picture pixels it covers: close to ImageMagick's box
# filter, far from the picture cut off, and closer to the picture with an entry lit exactly while
# the pointer is on that entry.
shrunk_picture() {
  local lit=$1 out=$2
  if [ "$lit" = 0 ]; then
    convert "$ART_DIR/background.bmp" -filter box -resize '400x300!' -type TrueColor "$out"
  else
    read -r left top width height < <(hot_spot "$lit")
    convert "$ART_DIR/background.bmp" \( "$ART_DIR/highlight.bmp" -crop "${width}x${height}+${left}+${top}" +repage \) \
      -geometry "+${left}+${top}" -composite -filter box -resize '400x300!' -type TrueColor "$out"
  fi
}
shrunk_picture 0 "$WORK/small-0.png"
shrunk_picture 3 "$WORK/small-3.png"
# Root mean square errors of the window against the menu at rest and with entry 3 lit, as fractions
# of full scale.
small_errors() {
  import -silent -window root -crop "400x300+${menu_x}+${menu_y}" +repage "$WORK/small-screen.png"
  local picture
  for picture in 0 3; do
    # compare's status says whether the pictures differ; they always do.
    { compare -metric RMSE "$WORK/small-screen.png" "$WORK/small-$picture.png" null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/'
    echo
  done | xargs
}
# shows_shrunk 0|3: the window shows the menu at rest, or with entry 3 lit.
shows_shrunk() {
  read -r at_rest lit < <(small_errors)
  if [ "$1" = 0 ]; then awk -v r="$at_rest" -v l="$lit" 'BEGIN {exit !(r < 0.1 && r < l)}'
  else awk -v r="$at_rest" -v l="$lit" 'BEGIN {exit !(l < 0.1 && l < r)}'; fi
}
if wait_for shows_shrunk 0; then
  pass "the whole menu shows, shrunk (errors at rest and lit: $(small_errors))"
else
  fail "the window does not show the menu shrunk: errors at rest and lit $(small_errors)"
fi
read -r left top width height < <(hot_spot 3)
xdotool mousemove $((menu_x + (left + width / 2) * 5 / 6)) $((menu_y + (top + height / 2) * 5 / 6))
if wait_for shows_shrunk 3; then
  pass "pointing at entry 3 where it shows lights it (errors at rest and lit: $(small_errors))"
else
  fail "pointing at entry 3 where it shows: errors at rest and lit $(small_errors)"
fi
read -r left top width height < <(hot_spot 8)
xdotool mousemove $((menu_x + (left + width / 2) * 5 / 6)) $((menu_y + (top + height / 2) * 5 / 6)) click 1
expect_menu_exit_status 0 "a click on the exit button where it shows ends the program"

finish
