#!/usr/bin/env bash
# Program start as launchers, desktops and media put it to the test:
#  - started with standard output and error closed, the menu starts a program that writes to both,
#    and hover, click and Escape still work;
#  - with standard error a pipe whose reader has gone, a start that fails gives the message and the
#    menu goes on (writing the reason never ends it), and a program it starts does not inherit its
#    ignoring of SIGPIPE;
#  - a program in a folder with a space starts with its arguments, a document whose name has a
#    space opens, a bare name beside the menu runs with its arguments, and a decoy named like the
#    first word, in PATH, never runs;
#  - the desktop's opener deciding for a while never stops the menu, a second click starts it
#    again, and an opener that refuses gives the message, and its exit status on standard error,
#    also when the menu was started with SIGCHLD ignored;
#  - a folder whose name has a space opens as a folder without one does;
#  - a medium whose folders hold names that differ only in case at every level (here links that
#    lead back) cannot freeze the menu: the name is not found, the message shows, Escape closes;
#  - with the menu's folder gone from under it, a relative command fails with the message and never
#    runs what the name means in the directory the menu was started from.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc /dev/null
# The entries, with entry 3's command as given.
write_options() {
  printf 'Program start\r\ntools\\chatty.sh %s\r\nStand In\\stand-in.sh one "two words" %s\r\n%s\r\nsetup /silent %s\r\ntools\\stand-in.sh five %s\r\n' \
    "$RUN_TOKEN" "$RUN_TOKEN" "$1" "$RUN_TOKEN" "$RUN_TOKEN" >"$DISC/options.ini"
}
write_options 'docs\user guide.pdf'
make_expected_pictures
DISC_REAL=$(cd "$DISC" && pwd -P)
readonly DISC_REAL

# A program that writes many lines to standard output and error, then stays until let go.
cat >"$DISC/tools/chatty.sh" <<EOF
#!/bin/sh
i=0
while [ \$i -lt 200 ]; do
  echo "output line \$i of a program started by the menu"
  echo "error line \$i of a program started by the menu" >&2
  i=\$((i + 1))
done
echo "chatty wrote [$RUN_TOKEN]" >>"$STARTS"
i=0
while [ ! -e "$WORK/chatty-go" ] && [ \$i -lt 3000 ]; do sleep 0.01; i=\$((i + 1)); done
EOF
chmod +x "$DISC/tools/chatty.sh"
mkdir -p "$DISC/Stand In" "$DISC/docs" "$WORK/bin"
write_stand_in "$DISC/Stand In/stand-in.sh" 'started'
write_stand_in "$DISC/setup" 'setup'
echo '%PDF-1.4' >"$DISC/docs/user guide.pdf"
# The decoy: named like the first word of entry 2, in PATH.
write_stand_in "$WORK/bin/Stand" 'decoy-Stand'

# The desktop's opener: it records its target and, as $WORK/opener-mode says, takes it, refuses it,
# or decides once let go (half a minute at most, so that a loaded machine's slow steps never decide
# for it), and says which it was.
readonly OPENED=$WORK/opened.log
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
mode=\$(cat "$WORK/opener-mode")
echo "opened [\$*]" >>"$OPENED"
case \$mode in
  fail) exit 4 ;;
  slow)
    : >"$WORK/opener-running"
    end=\$((\$(date +%s%N) + 30000000000))
    while [ ! -e "$WORK/opener-go" ] && [ \$(date +%s%N) -lt \$end ]; do sleep 0.01; done
    if [ -e "$WORK/opener-go" ]; then echo "decided when let go" >>"$OPENED"; else echo "decided alone" >>"$OPENED"; fi ;;
esac
exit 0
EOF
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:/usr/bin:/bin"

opened_count() { if [ -f "$OPENED" ]; then grep -c '^opened' "$OPENED"; else echo 0; fi; }
starts_of() { grep -c -F "$1" "$STARTS" 2>/dev/null || true; }

# Starts the menu as start_menu does, with the given redirections of its own.
start_menu_with() {
  xdotool mousemove 0 0
  (cd "$ELSEWHERE" && eval 'exec "$@"' "$STREAMS") &
  menu_pid=$!
  if ! wait_for find_menu_window; then
    echo "the menu window did not appear" >&2
    exit 1
  fi
  read -r menu_x menu_y < <(xwininfo -id "$menu_window" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
}

dismiss_message_box() {
  local box
  box=$(message_box_window)
  xdotool key --window "$box" Return
  wait_for no_message_box || fail "the message box stays"
}

# --- Started with standard output and error closed.
STREAMS='1>&- 2>&-' start_menu_with "$DISC/tarvelin"
point_at_hot_spot 1
expect_screen lit-1 "closed streams: entry 1 highlighted"
xdotool click 1
wait_for has_starts 1 || fail "closed streams: the chatty program did not run to its end"
point_at_hot_spot 2
expect_screen lit-2 "closed streams: hover works after the program wrote to its output"
xdotool click 1
if wait_for has_starts 2 && [ "$(starts_of "started cwd=$DISC_REAL")" -eq 1 ]; then
  pass "closed streams: a click still starts its entry"
else
  fail "closed streams: the click on entry 2 started nothing"
fi
menu_window_gone() { ! xwininfo -id "$menu_window" >/dev/null 2>&1; }
xdotool key Escape
expect_menu_exit_status 0 "closed streams: Escape ends the program"
if wait_for menu_window_gone; then
  pass "closed streams: the window goes with the menu while its program runs on"
else
  fail "closed streams: the menu's window stays on screen after it ended"
fi
touch "$WORK/chatty-go"

# --- Standard error a pipe nobody reads, as a launcher that closed its end leaves it.
cat >"$DISC/tools/signals.sh" <<EOF
#!/bin/sh
echo "signals \$(awk '/^SigIgn:/ {print \$2}' /proc/\$\$/status) [$RUN_TOKEN]" >>"$STARTS"
EOF
chmod +x "$DISC/tools/signals.sh"
printf 'Broken pipe\r\ntools\\missing.sh\r\ntools\\signals.sh\r\n' >"$DISC/options.ini"
STREAMS='' start_menu_with perl -e 'pipe(my $r, my $w) or die; close $r; open(STDERR, ">&", $w) or die; exec @ARGV or die' \
  "$DISC/tarvelin"
point_at_hot_spot 1
expect_screen lit-1 "broken pipe: entry 1 highlighted"
xdotool click 1
if wait_for message_box_shown; then
  pass "broken pipe: a start that fails gives the message"
  dismiss_message_box
else
  fail "broken pipe: no message box; the menu is $(if menu_running; then echo running; else echo gone; fi)"
fi
if menu_running; then pass "broken pipe: writing the reason does not end the menu"; else fail "broken pipe: the menu ended"; fi
point_at_hot_spot 2
expect_screen lit-2 "broken pipe: entry 2 highlighted"
xdotool click 1
if wait_for grep -q '^signals ' "$STARTS"; then
  ignored=$(printf '%d' "0x$(grep '^signals ' "$STARTS" | awk '{print $2}')")
  if ((ignored & (1 << 12))); then fail "broken pipe: the program started ignores SIGPIPE"; else pass "broken pipe: the program started has SIGPIPE's default action"; fi
else
  fail "broken pipe: entry 2 started nothing"
fi
xdotool key Escape
expect_menu_exit_status 0 "broken pipe: Escape ends the program"
# The cases below count the starts from here, with the entries as they were.
sed -i '/^signals /d' "$STARTS"
write_options 'docs\user guide.pdf'

# --- Names with spaces, bare names beside the menu, and the opener.
echo take >"$WORK/opener-mode"
start_menu
point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted"
xdotool click 1
wait_for has_starts 3 || fail "entry 2 started nothing"
if [ "$(tail -n1 "$STARTS")" = "started cwd=$DISC_REAL LC_ALL=${LC_ALL-unset} [one] [two words] [$RUN_TOKEN]" ]; then
  pass "a program in a folder with a space starts with its arguments"
else
  fail "entry 2 started: $(tail -n1 "$STARTS")"
fi

point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted"
xdotool click 1
if wait_for grep -q -F "opened [$DISC_REAL/docs/user guide.pdf]" "$OPENED"; then
  pass "a document whose name has a space opens"
else
  fail "the document with a space: $(cat "$OPENED" 2>/dev/null), message boxes: $(message_boxes)"
fi

point_at_hot_spot 4
expect_screen lit-4 "entry 4 highlighted"
xdotool click 1
if wait_for has_starts 4 && [ "$(tail -n1 "$STARTS")" = "setup cwd=$DISC_REAL LC_ALL=${LC_ALL-unset} [/silent] [$RUN_TOKEN]" ]; then
  pass "a bare name beside the menu runs with its arguments"
else
  fail "entry 4 started: $(tail -n1 "$STARTS"); opened: $(cat "$OPENED" 2>/dev/null)"
fi
if [ "$(starts_of decoy-Stand)" -eq 0 ]; then pass "the decoy in PATH never ran"; else fail "the decoy in PATH ran"; fi
[ "$(opened_count)" -eq 1 ] || fail "the opener was given more than the document: $(cat "$OPENED")"

xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"

# --- The opener's verdict, for a document without a space.
write_options 'docs\guide.pdf'
echo '%PDF-1.4' >"$DISC/docs/guide.pdf"
rm -f "$OPENED"
start_menu
# An opener that takes its time: the menu goes on meanwhile, and a second click starts it again.
echo slow >"$WORK/opener-mode"
point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted for the slow opener"
xdotool click 1
wait_for test -e "$WORK/opener-running" || fail "the slow opener did not start"
point_at_hot_spot 1
expect_screen lit-1 "hover works while the opener decides"
# Away from the first click's place, so that this is no double-click.
read -r left top width height < <(hot_spot 3)
point_at $((left + 40)) $((top + height / 2))
expect_screen lit-3 "back on entry 3 while the opener decides"
xdotool click 1
wait_for eval '[ "$(opened_count)" -ge 2 ]' || fail "the second click did not start the opener again"
touch "$WORK/opener-go"
wait_for eval '[ "$(grep -c "^decided" "$OPENED")" -eq 2 ]' || fail "the slow openers did not end"
if [ "$(grep -c '^decided when let go' "$OPENED")" -eq 2 ]; then
  pass "the menu answered and started the opener again while the first one decided"
else
  fail "the menu waited for the opener: $(grep '^decided' "$OPENED" | tr '\n' ';')"
fi
no_message_box || fail "an opener that took the document gave a message"

# An opener that refuses: the message shows when its verdict comes.
echo fail >"$WORK/opener-mode"
point_at $((left + 240)) $((top + height / 2))
expect_screen lit-3 "entry 3 highlighted for the refusing opener"
xdotool click 1
if wait_for message_box_shown; then pass "a refusing opener gives the message"; else fail "no message for a refusing opener"; fi
if grep -qF "tarvelin: cannot start \"docs\\guide.pdf\": the desktop's opener (xdg-open) refused it, ending with exit status 4" "$WORK/menu.err"; then
  pass "standard error says the opener refused, with its exit status"
else
  fail "the opener's refusal: standard error says: $(cat "$WORK/menu.err")"
fi
dismiss_message_box
point_at_hot_spot 4
expect_screen lit-4 "the menu works after the opener's message"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"

# --- Started with SIGCHLD ignored, as some launchers leave it.
STREAMS='2>"$WORK/menu.err"' start_menu_with perl -e '$SIG{CHLD} = "IGNORE"; exec @ARGV or die' "$DISC/tarvelin"
if (($(printf '%d' "0x$(awk '/^SigIgn:/ {print $2}' "/proc/$menu_pid/status")") & (1 << 16))); then
  pass "the menu runs with SIGCHLD ignored"
else
  fail "the case cannot ignore SIGCHLD for the menu"
fi
no_message_box || fail "SIGCHLD ignored: a message box shows before the click"
point_at_hot_spot 3
expect_screen lit-3 "SIGCHLD ignored: entry 3 highlighted"
xdotool click 1
if wait_for message_box_shown; then
  pass "SIGCHLD ignored: a refusing opener gives the message"
else
  fail "SIGCHLD ignored: no message for a refusing opener"
fi
dismiss_message_box
xdotool key Escape
expect_menu_exit_status 0 "SIGCHLD ignored: Escape ends the program"

# --- A folder whose name has a space opens, as one without does.
echo take >"$WORK/opener-mode"
rm -f "$OPENED"
mkdir -p "$DISC/Extra Files"
write_options 'Extra Files'
start_menu
point_at_hot_spot 3
expect_screen lit-3 "entry 3 highlighted for a folder with a space"
xdotool click 1
if wait_for grep -q -F "opened [$DISC_REAL/Extra Files]" "$OPENED"; then
  pass "a folder whose name has a space opens"
else
  fail "the folder with a space: $(cat "$OPENED" 2>/dev/null), message boxes: $(message_boxes)"
  [ "$(message_boxes)" -eq 0 ] || dismiss_message_box
fi
xdotool key Escape
expect_menu_exit_status 0 "folder with a space: Escape ends the program"

# --- A lookup ignoring case that would double its work at each of 30 levels.
mkdir -p "$DISC/maze"
ln -s . "$DISC/maze/a"
ln -s . "$DISC/maze/A"
printf 'Maze\r\nmaze%s\\missing\r\n' "$(printf '\\a%.0s' $(seq 30))" >"$DISC/options.ini"
start_menu
point_at_hot_spot 1
expect_screen lit-1 "maze: entry 1 highlighted"
xdotool click 1
if wait_for message_box_shown; then pass "maze: the lookup ends, and the message shows"; else fail "maze: no message: the menu is busy"; fi
dismiss_message_box
xdotool key Escape
expect_menu_exit_status 0 "maze: Escape ends the program"
rm -rf "$DISC/maze"
write_options 'Extra Files'

# --- The menu's folder gone from under it: the decoy in the directory the menu started from has
# the command's path.
start_menu
point_at_hot_spot 5
expect_screen lit-5 "entry 5 highlighted"
rm -rf "$DISC"
xdotool click 1
if wait_for message_box_shown; then pass "with the folder gone, the command gives the message"; else fail "no message with the folder gone"; fi
wait_for stand_ins_done || fail "stand-in programs still running"
if [ "$(starts_of decoy)" -eq 0 ]; then
  pass "nothing outside the menu's folder started"
else
  fail "the command ran from the directory the menu started in: $(grep decoy "$STARTS")"
fi
dismiss_message_box
xdotool key Escape
expect_menu_exit_status 0 "folder gone: Escape ends the program"
finish
