#!/usr/bin/env bash
# A medium unmounted lazily while the menu runs from it, as desktops do when a stick is pulled: the
# program's path then reads as if it lay at the system root. A relative command still runs from the
# medium, never what the same path names from the root.
#
# Needs a mount namespace of its own (root, or a system that lets users have one); skipped without.

if [ -z "${TARVELIN_OWN_MOUNTS:-}" ]; then
  if ! unshare -m --propagation private true 2>/dev/null; then
    echo "SKIP: no mount namespace of our own (unshare -m needs root here)"
    exit 77
  fi
  TARVELIN_OWN_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$@"
fi

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc "$FIXTURES/lazy_unmount.ini"
make_expected_pictures
readonly MEDIUM=$WORK/medium
mkdir -p "$MEDIUM"
mount -t tmpfs tarvelin-medium "$MEDIUM"
# The command's path, read from the root, leads to a decoy; read on the medium, to the program.
readonly RELATIVE=${WORK#/}/decoy/stand-in.sh
mkdir -p "$(dirname "/$RELATIVE")" "$MEDIUM/$(dirname "$RELATIVE")"
write_stand_in "/$RELATIVE" 'decoy'
write_stand_in "$MEDIUM/$RELATIVE" 'started'
cp "$DISC/tarvelin" "$MEDIUM/"
printf 'Lazy unmount\r\n%s %s\r\n' "${RELATIVE//\//\\}" "$RUN_TOKEN" >"$MEDIUM/options.ini"

xdotool mousemove 0 0
(cd "$ELSEWHERE" && exec "$MEDIUM/tarvelin") 2>"$WORK/menu.err" &
menu_pid=$!
wait_for find_menu_window || { cat "$WORK/menu.err" >&2; echo "the menu window did not appear" >&2; exit 1; }
read -r menu_x menu_y < <(xwininfo -id "$menu_window" |
  awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')

point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
wait_for has_starts 1 || fail "entry 1 started nothing before the unmount"

umount -l "$MEDIUM"
if grep -q "^/tarvelin" <(readlink "/proc/$menu_pid/exe"); then
  pass "after the lazy unmount the program's path reads $(readlink "/proc/$menu_pid/exe")"
else
  fail "the case cannot see a lazy unmount: the program's path reads $(readlink "/proc/$menu_pid/exe")"
fi
# Away from the first click's place, so that this is no double-click.
read -r left top width height < <(hot_spot 1)
point_at $((left + 40)) $((top + height / 2))
expect_screen lit-1 "entry 1 highlighted after the unmount"
xdotool click 1
wait_for has_starts 2 || fail "entry 1 started nothing after the unmount: $(message_boxes) message box(es)"
wait_for stand_ins_done || fail "stand-in programs still running"
if [ "$(grep -c '^started' "$STARTS")" -eq 2 ] && ! grep -q '^decoy' "$STARTS"; then
  pass "after the lazy unmount the command still runs from the medium"
else
  fail "after the lazy unmount: $(tr '\n' ';' <"$STARTS")"
fi
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
