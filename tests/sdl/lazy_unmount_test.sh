#!/usr/bin/env bash
# A medium unmounted lazily while the menu runs from it, as desktops do when a stick is pulled: the
# program's path then reads as if it lay at the system root. A relative command still runs from the
# medium, never what the same path names from the root; a document or a folder of the medium goes
# to the desktop's opener by a path that leads to the medium's, never to what the same name means
# from the root.
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
# A document and a folder, with decoys of the same names from the root.
readonly DOCUMENT=${WORK#/}/decoy/guide.txt FOLDER=${WORK#/}/decoy/extras
for place in "" "$MEDIUM"; do
  mkdir -p "$place/$FOLDER"
  if [ -z "$place" ]; then word=decoy; else word=medium; fi
  echo "$word document" >"$place/$DOCUMENT"
  echo "$word folder" >"$place/$FOLDER/marker"
done
cp "$DISC/tarvelin" "$MEDIUM/"
printf 'Lazy unmount\r\n%s %s\r\n%s\r\n%s\r\n' "${RELATIVE//\//\\}" "$RUN_TOKEN" "${DOCUMENT//\//\\}" \
  "${FOLDER//\//\\}" >"$MEDIUM/options.ini"
# The desktop's opener: records what the path it is given leads to.
readonly OPENED=$WORK/opened.log
mkdir -p "$WORK/bin"
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
if [ -d "\$1" ]; then cat "\$1/marker"; else cat "\$1"; fi >>"$OPENED" 2>&1 || echo "nothing at \$1" >>"$OPENED"
EOF
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"

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

# The document and the folder of the detached medium.
opened_lines() { if [ -f "$OPENED" ]; then wc -l <"$OPENED"; else echo 0; fi; }
for entry in 2 3; do
  point_at_hot_spot "$entry"
  expect_screen "lit-$entry" "entry $entry highlighted after the unmount"
  xdotool click 1
  wait_for eval '[ "$(opened_lines)" -ge $((entry - 1)) ] || message_box_shown' ||
    fail "entry $entry: neither the opener nor a message after the unmount"
  if message_box_shown; then
    xdotool key --window "$(message_box_window)" Return
    wait_for no_message_box || fail "the message box stays"
  fi
done
if [ "$(cat "$OPENED" 2>/dev/null)" = "medium document
medium folder" ]; then
  pass "after the lazy unmount the opener is given the medium's document and folder"
else
  fail "after the lazy unmount the opener got: $(tr '\n' ';' <"$OPENED" 2>/dev/null); $(cat "$WORK/menu.err")"
fi
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
