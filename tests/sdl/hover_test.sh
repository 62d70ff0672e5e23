#!/usr/bin/env bash
# Hover highlighting as a user sees it: pointing at an entry or the exit button shows exactly its
# rectangle from highlight.bmp; the bare window and the gaps between entries show background.bmp.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc "$FIXTURES/hover.ini"
make_expected_pictures
start_menu
expect_screen plain "nothing is highlighted at start"

# Each hot spot in turn, entered from the bare window.
for index in 1 2 3 4 5 8; do
  point_at 20 20
  expect_screen plain "bare window before hot spot $index shows the plain picture"
  point_at_hot_spot "$index"
  expect_screen "lit-$index" "pointing at hot spot $index shows its highlight only"
done

# Corners of a hot spot belong to it; the pixel past its edge does not.
read -r left top width height < <(hot_spot 1)
point_at "$left" "$top"
expect_screen lit-1 "top-left pixel of entry 1 highlights it"
point_at $((left + width - 1)) $((top + height - 1))
expect_screen lit-1 "bottom-right pixel of entry 1 keeps it highlighted"
point_at $((left + width / 2)) $((top + height))
expect_screen plain "the row below entry 1 is bare window"

# The gap between two entries clears the highlight before the next one shows.
point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
point_at_gap_below 1
expect_screen plain "the gap between entries 1 and 2 clears the highlight"
point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted after the gap"

# A jump from entry 2 straight onto entry 4 leaves only entry 4 highlighted.
point_at_hot_spot 4
expect_screen lit-4 "jumping from entry 2 to entry 4 leaves only entry 4 highlighted"

# Moving onto the bare window clears it.
point_at 460 300
expect_screen plain "the bare window clears the highlight"

# Leaving the window straight from the shown box, with no movement over the bare window, leaves
# the highlight showing.
point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted"
xdotool mousemove 5 5
expect_screen_stays lit-3 "leaving the window from the highlighted entry keeps the highlight"
point_at_hot_spot 5
expect_screen lit-5 "coming back onto entry 5 moves the highlight there"
point_at 200 -40
expect_screen_stays lit-5 "leaving upwards from the highlight keeps it"
point_at 20 300
expect_screen plain "coming back onto the bare window clears it"

if menu_running; then pass "menu still open"; else fail "menu ended"; fi
finish
