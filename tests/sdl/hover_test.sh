#!/usr/bin/env bash
# Hover highlighting as a user sees it: pointing at an entry or the exit button shows exactly its
# rectangle from highlight.bmp; the bare window and the gaps between entries show background.bmp;
# moving from one entry to the next never shows the highlight box blank on the way.
#
# Extra arguments: the send_close_request helper (unused here) and the xtest_pointer helper.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
readonly XTEST_POINTER=$4

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

# From entry 1 straight onto entry 2, forty times: a pixel of entry 2, read back as fast as the X
# server answers, goes from background.bmp's colour straight to highlight.bmp's, never through the
# window colour of a box shown before its picture is drawn into it.
read -r left top width height < <(hot_spot 2)
probe_x=$((left + 30))
probe_y=$((top + height / 2))
plain_colour=$(convert "$EXPECTED/plain.png" -format "%[hex:p{$probe_x,$probe_y}]" info:)
lit_colour=$(convert "$EXPECTED/lit-2.png" -format "%[hex:p{$probe_x,$probe_y}]" info:)
if [ "$plain_colour" = "$lit_colour" ] || [ "$plain_colour" = FFFFFF ] || [ "$lit_colour" = FFFFFF ]; then
  echo "the probe pixel $probe_x,$probe_y of entry 2 cannot tell a blank box ($plain_colour at rest, $lit_colour lit)" >&2
  exit 1
fi
point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted before the moves"
read -r x1 y1 < <(awk '{print $1 + int($3 / 2), $2 + int($4 / 2)}' <<<"$(hot_spot 1)")
read -r x2 y2 < <(awk '{print $1 + int($3 / 2), $2 + int($4 / 2)}' <<<"$(hot_spot 2)")
if flashes=$("$XTEST_POINTER" flashes $((menu_x + x1)) $((menu_y + y1)) $((menu_x + x2)) $((menu_y + y2)) \
  $((menu_x + probe_x)) $((menu_y + probe_y)) "$plain_colour" "$lit_colour" 40); then
  pass "moving from entry 1 onto entry 2 never shows the box blank: $flashes"
else
  fail "moving from entry 1 onto entry 2: $flashes"
fi

if menu_running; then pass "menu still open"; else fail "menu ended"; fi
finish
