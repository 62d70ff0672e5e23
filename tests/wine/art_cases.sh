#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about its pictures: pictures beside the program, bitmap
# resources that do not fit the menu, and a screen too small for the window at the desktop's scale.

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
