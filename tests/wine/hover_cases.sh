#!/usr/bin/env bash
# End-to-end case of tarvelin.exe under Wine about hovering: each hot spot shows exactly its piece
# of the highlight picture, and the bare window between them the background.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_hover() {
  make_disc "$work/disc" hover.ini
  start_menu "$work/disc/tarvelin.exe"
  expect_screen 0
  local spot index rest
  for spot in "${hot_spots[@]}"; do
    read -r index rest <<<"$spot"
    highlight "$index"
    pointer_to "$bare_x" "$bare_y"
    expect_screen 0
  done
  # Straight from entry 2 onto entry 4, with no movement over the bare window between them.
  highlight 2
  pointer_to_spot 4
  expect_screen 4
  # Across the gap below entry 4 to entry 5.
  local gap_x gap_y
  read -r gap_x gap_y <<<"$(gap_below 4)"
  pointer_to "$gap_x" "$gap_y"
  expect_screen 0
  highlight 5
  xdotool key Escape
  expect_exit 0
}

run_case
