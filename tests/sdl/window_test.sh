#!/usr/bin/env bash
# The menu opens: a borderless 480 x 360 window, centred on the screen, titled from options.ini,
# with the built-in icon, showing the background picture pixel for pixel.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

# fixtures/window.ini holds the title in Windows-1252, with u acute, e acute and the euro sign.
readonly TITLE_UTF8=$'Men\xc3\xba d\xc3\xa9mo \xe2\x82\xac 1'

start_xvfb
make_disc "$FIXTURES/window.ini"
make_expected_pictures
# A window manager makes this atom known; only then does SDL mark a borderless window with it.
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0
start_menu

# --- Size and place.
expect_centred_window
motif_hints=$(xprop -id "$menu_window" -notype _MOTIF_WM_HINTS)
# flags: decorations given; decorations: none.
if [[ "$motif_hints" == "_MOTIF_WM_HINTS = 0x2, 0x0,"* ]]; then pass "window asks for no frame"; else fail "frame hints: $motif_hints"; fi

# --- Title, as UTF-8 for the window manager.
title_hex=$(xprop -id "$menu_window" -notype -f _NET_WM_NAME 8x ' = $0+\n' _NET_WM_NAME | sed 's/^[^=]*= //; s/0x//g; s/,//g')
expected_hex=$(printf '%s' "$TITLE_UTF8" | od -An -tx1 | xargs)
if [ "$title_hex" = "$expected_hex" ]; then pass "title comes from options.ini, in UTF-8"; else fail "title bytes $title_hex, expected $expected_hex"; fi

# --- Icon: the built-in icon as ImageMagick reads the first picture of art/tarvelin.ico, its 32 x 32
# in 16 colours, transparent where masked.
icon=$(xprop -id "$menu_window" -notype -f _NET_WM_ICON 32c ' = $0+\n' _NET_WM_ICON | sed 's/^[^=]*= //; s/, /\n/g')
expected_icon=$(convert "ico:$ART_DIR/tarvelin.ico[0]" -depth 8 txt:- | awk -F'[(),]' '
  NR == 1 {split($0, size, /[:,]/); print size[2] + 0; print size[3] + 0; next}
  {r = $3; g = $4; b = $5; a = $6; printf "%.0f\n", a == 0 ? 0 : a * 16777216 + r * 65536 + g * 256 + b}')
if [ "$(sed -n 1,2p <<<"$icon" | xargs)" = "32 32" ] && [ "$icon" = "$expected_icon" ]; then
  pass "window icon is art/tarvelin.ico"
else
  fail "window icon differs from art/tarvelin.ico: $(head -c 120 <<<"$icon" | xargs)"
fi

# --- What a user sees.
expect_screen plain "window shows background.bmp pixel for pixel"

kill "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=

# --- Without a display the program says so and ends with a failure status; it neither hangs nor
# runs unseen on one of SDL's drivers that draw into memory.
status=0
env -u DISPLAY -u SDL_VIDEODRIVER timeout 10 "$DISC/tarvelin" 2>"$WORK/no-display.err" || status=$?
if [ "$status" -eq 1 ] && grep -q '^tarvelin: ' "$WORK/no-display.err"; then
  pass "without a display: exit status 1, $(grep "^tarvelin: " "$WORK/no-display.err")"
else
  fail "without a display: exit status $status, stderr: $(cat "$WORK/no-display.err")"
fi

finish
