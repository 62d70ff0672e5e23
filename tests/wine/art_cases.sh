#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about its pictures: pictures beside the program (also
# wider than the screen), bitmap resources that do not fit the menu, and a screen too small for the
# window at the desktop's scale.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

# use_pictures DIR: the pictures expected on screen from now on are the ones in DIR.
use_pictures() {
  art=$1
  rm -f "$work"/expected-*
}

# invert_colours IN OUT: the bitmap with every entry of its colour table inverted; the pixels keep
# their indices, so two pictures that share a table still do.
invert_colours() {
  perl -e 'local $/; $_ = <STDIN>; my $at = 14 + unpack("V", substr($_, 14, 4));
           substr($_, $at, 1024) = substr($_, $at, 1024) ^ ("\xff" x 1024); print' <"$1" >"$2"
}

# widen_picture IN OUT: the uncompressed 8-bit bitmap made 4096 pixels wide, each row repeated
# along itself from its start, so its first 480 columns are the picture as it was.
widen_picture() {
  perl -e 'local $/; my $file = <STDIN>; my $at = unpack("V", substr($file, 10, 4)); my $head = substr($file, 0, $at);
           my $pixels = ""; $pixels .= substr(substr($file, $at + 480 * $_, 480) x 9, 0, 4096) for 0 .. 359;
           substr($head, 2, 4) = pack("V", $at + length $pixels); substr($head, 18, 4) = pack("V", 4096);
           substr($head, 34, 4) = pack("V", length $pixels); print $head, $pixels' <"$1" >"$2"
}

case_art_beside() {
  local built_in=$art
  mkdir -p "$work/pair"
  invert_colours "$built_in/background.bmp" "$work/pair/background.bmp"
  invert_colours "$built_in/highlight.bmp" "$work/pair/highlight.bmp"

  # A pair that fits, beside the program: it shows instead of the bitmap resources.
  make_disc "$work/disc" art_beside.ini
  cp "$work/pair/background.bmp" "$work/pair/highlight.bmp" "$work/disc/"
  use_pictures "$work/pair"
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 480 360
  every_hot_spot
  xdotool key Escape
  expect_exit 0

  # A fitting pair wider than the screen: the window's top-left corner, where the hot spots are,
  # stays on the screen instead of being centred out past its left edge.
  widen_picture "$work/pair/background.bmp" "$work/disc/background.bmp"
  widen_picture "$work/pair/highlight.bmp" "$work/disc/highlight.bmp"
  start_menu "$work/disc/tarvelin.exe"
  local size
  size=$(xwininfo -id "$window" | awk '/^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print w "x" h}')
  [ "$size $window_x,$window_y" = "4096x360 0,204" ] || fail "a 4096 x 360 pair: the window is $size at $window_x,$window_y"
  xdotool key Escape
  expect_exit 0
  cp "$work/pair/background.bmp" "$work/pair/highlight.bmp" "$work/disc/"

  # A pair of two colour tables: left aside, the resources show.
  cp "$built_in/highlight.bmp" "$work/disc/highlight.bmp"
  use_pictures "$built_in"
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 480 360
  every_hot_spot
  xdotool key Escape
  expect_exit 0

  # A pair beside a program whose resources do not fit either: the built-in pictures.
  cp "$build/wine-helpers/tarvelin_outside_art.exe" "$work/disc/tarvelin.exe"
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 480 360
  highlight 3
  xdotool key Escape
  expect_exit 0

  # No pair: the resources, as always.
  rm "$work/disc/background.bmp" "$work/disc/highlight.bmp"
  cp "$build/tarvelin.exe" "$work/disc/tarvelin.exe"
  start_menu "$work/disc/tarvelin.exe"
  every_hot_spot
  xdotool key Escape
  expect_exit 0
}

case_misfit_resources() {
  # tarvelin.exe with bitmap resources of one size and colour table that still do not fit: a 4 x 2
  # pair, too small for any hot spot, and a pair of 1080-byte files declaring 8192 x 8192 pixels.
  # Either way the built-in pictures show, at the menu's own size.
  local misfit
  for misfit in outside huge; do
    make_disc "$work/$misfit" misfit_resources.ini
    cp "$build/wine-helpers/tarvelin_${misfit}_art.exe" "$work/$misfit/tarvelin.exe"
    start_menu "$work/$misfit/tarvelin.exe"
    expect_geometry 480 360
    every_hot_spot
    xdotool key Escape
    expect_exit 0
  done
}

case_high_dpi_small_screen() {
  # At 300 % (288 DPI) the window would be 1440 x 1080, more than the 1024 x 768 screen: the
  # factor shrinks to 2, the largest at which the whole menu is on screen.
  start_at_dpi 288 high_dpi_small_screen.ini
  every_hot_spot
  xdotool click 1
  expect_exit 0
}

run_case
