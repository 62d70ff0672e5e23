#!/usr/bin/env bash
# The menu's folder made unsearchable after the menu started (a medium whose folder lost its
# execute bits, a stick whose file system went wrong): the menu cannot change into it, and a
# relative command must then give the message, never run what the name means in the directory the
# menu was started from. Once the folder can be searched again, the command runs from it.
#
# Run as root, the menu is started without the capabilities that let root search any folder.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc /dev/null
printf 'Locked folder\r\nsetup %s\r\n' "$RUN_TOKEN" >"$DISC/options.ini"
make_expected_pictures
write_stand_in "$DISC/setup" 'medium'
write_stand_in "$ELSEWHERE/setup" 'decoy'

# As everyone else: without overriding permissions, and without searching any folder.
AS_USER=()
[ "$(id -u)" -ne 0 ] || AS_USER=(setpriv --inh-caps=-all --bounding-set=-dac_override,-dac_read_search)

xdotool mousemove 0 0
(cd "$ELSEWHERE" && exec "${AS_USER[@]}" "$DISC/tarvelin") 2>"$WORK/menu.err" &
menu_pid=$!
await_menu_window

chmod 0 "$DISC"
if (cd "$ELSEWHERE" && "${AS_USER[@]}" sh -c "cd '$DISC'" 2>/dev/null); then
  fail "the case cannot lock the folder: the menu's user can still change into it"
else
  pass "the menu's folder can no longer be searched"
fi

point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
if wait_for message_box_shown; then pass "with the folder locked, the command gives the message"; else fail "no message with the folder locked"; fi
wait_for stand_ins_done || fail "stand-in programs still running"
if [ "$(grep -c '^decoy' "$STARTS" 2>/dev/null)" = 0 ] || [ ! -f "$STARTS" ]; then
  pass "nothing in the directory the menu started from ran"
else
  fail "the command ran from the directory the menu started in: $(tr '\n' ';' <"$STARTS")"
fi
if grep -q "cannot start \"setup $RUN_TOKEN\"" "$WORK/menu.err"; then
  pass "standard error says why: $(grep -m1 'cannot start' "$WORK/menu.err")"
else
  fail "no reason on standard error: $(tr '\n' ' ' <"$WORK/menu.err")"
fi
xdotool key --window "$(message_box_window)" Return
wait_for no_message_box || fail "the message box stays"

chmod 755 "$DISC"
# Away from the first click's place, so that this is no double-click.
read -r left top width height < <(hot_spot 1)
point_at $((left + 40)) $((top + height / 2))
expect_screen lit-1 "entry 1 highlighted with the folder open again"
xdotool click 1
wait_for has_starts 1 || fail "with the folder open again, entry 1 started nothing: $(message_boxes) message box(es)"
wait_for stand_ins_done || fail "stand-in programs still running"
if tail -n1 "$STARTS" | grep -q "^medium cwd=.* \[$RUN_TOKEN\]\$"; then
  pass "with the folder open again, the command runs from the medium"
else
  fail "with the folder open again: $(tr '\n' ';' <"$STARTS" 2>/dev/null)"
fi
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
