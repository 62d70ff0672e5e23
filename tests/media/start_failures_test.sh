#!/usr/bin/env bash
# Why a start failed, and a medium that can be taken out:
#  - a program on the medium that cannot run gives the one message box and nothing else (no opener),
#    and standard error says why: a script saved with Windows line ends, a script whose
#    interpreter is missing, a program for another processor, a 32-bit x86 program whose loader the
#    system lacks, a start with too few descriptors left (the menu started with a limit just above
#    what it holds);
#  - closed while a document's opener still decides, by Escape, the exit button or SIGTERM, the
#    menu leaves nothing that holds its stick: the stick unmounts the moment the menu has gone.

# shellcheck source=tests/media/media_lib.sh
source "$(dirname "$0")/media_lib.sh"

start_xvfb
install_opener

# --- Reasons.
printf 'Start failures\r\ntools\\crlf.sh\r\ntools\\no-interpreter.sh\r\ntools\\arm-program %s\r\ntools\\stand-in.sh four %s\r\ntools\\x86-program\r\n' \
  "$STARTS" "$RUN_TOKEN" >"$WORK/failures.ini"
make_disc "$WORK/failures.ini"
printf '#!/bin/sh\r\necho crlf >>"%s"\r\n' "$STARTS" >"$DISC/tools/crlf.sh"
printf '#!/usr/bin/tarvelin-no-such-interpreter\necho none >>"%s"\n' "$STARTS" >"$DISC/tools/no-interpreter.sh"
cp "$RECORDER" "$DISC/tools/arm-program"
# The same program marked for 64-bit ARM (machine 183) in its ELF header.
printf '\267\000' | dd of="$DISC/tools/arm-program" bs=1 seek=18 conv=notrunc status=none
# The header of a 32-bit x86 program whose loader no system has.
perl -e 'my $loader = "/lib/ld-tarvelin-none.so.2\0";
         print pack("a16 v2 V5 v6", "\x7fELF\x01\x01\x01", 2, 3, 1, 0, 52, 0, 0, 52, 32, 1, 0, 0, 0),
               pack("V8", 3, 84, 0, 0, length $loader, length $loader, 4, 1), $loader' >"$DISC/tools/x86-program"
chmod +x "$DISC/tools/crlf.sh" "$DISC/tools/no-interpreter.sh" "$DISC/tools/arm-program" "$DISC/tools/x86-program"
make_expected_pictures

# expect_reason ENTRY PATTERN WHAT: a click on the entry shows one message box, opens nothing, and
# standard error matches.
expect_reason() {
  click_entry "$1" "${4:-40}"
  if wait_for message_box_shown && [ "$(message_boxes)" -eq 1 ]; then
    pass "$3: one message box"
  else
    fail "$3: $(message_boxes) message box(es)"
  fi
  expect_stderr "^tarvelin: cannot start \"[^\"]*\": $2" "$3: standard error says why"
  no_message_box || dismiss_message_box
}

start_menu
expect_reason 1 'its first line ends in a carriage return \(saved with Windows line ends\)' "a script with Windows line ends"
expect_reason 2 'its interpreter "/usr/bin/tarvelin-no-such-interpreter" does not exist' "a script whose interpreter is missing"
expect_reason 3 'it is a program for another kind of processor \(ELF machine 183\), not for x86-64' \
  "a program for another processor"
expect_reason 5 'it is a program for 32-bit x86, and its loader "/lib/ld-tarvelin-none.so.2" does not exist on this system' \
  "a 32-bit x86 program without its loader"
if [ -s "$WORK/opened.log" ]; then fail "a program that cannot run went to the opener: $(opened)"; else pass "nothing went to the opener"; fi
if [ -s "$STARTS" ]; then fail "something ran: $(cat "$STARTS")"; else pass "nothing ran"; fi
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the menu"

# Starts the menu with no descriptor but the standard three and a limit on their number.
start_menu_limited() {
  xdotool mousemove 0 0
  (cd "$ELSEWHERE" && exec perl -e 'use POSIX (); POSIX::close($_) for 3 .. 1023; exec @ARGV or die' \
    sh -c 'ulimit -n "$1" && exec "$2"' sh "$1" "$DISC/tarvelin") 2>"$WORK/menu.err" &
  menu_pid=$!
  await_menu_window
}
# With a limit two above what the menu holds, a start, which needs three descriptors, is refused.
start_menu_limited 1024
held=$(find "/proc/$menu_pid/fd" -mindepth 1 | wc -l)
highest=$(find "/proc/$menu_pid/fd" -mindepth 1 -printf '%f\n' | sort -n | tail -n 1)
[ "$highest" -eq $((held - 1)) ] || fail "the menu's descriptors are not 0 to $((held - 1)): $(ls "/proc/$menu_pid/fd" | xargs)"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the menu"
start_menu_limited $((held + 2))
expect_reason 4 'Too many open files' "a start with too few descriptors left"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the menu with few descriptors"

# --- Closed while the opener decides.
readonly STICK=$WORK/stick CONTENT=$WORK/content
printf 'Eject\r\ndocs\\guide.pdf\r\n' >"$WORK/eject.ini"
make_medium_folder "$CONTENT" "$WORK/eject.ini"
echo '%PDF-1.4' >"$CONTENT/docs/guide.pdf"
make_fat_image "$WORK/stick.img" "$CONTENT"
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
echo "opened [\$*]" >>"$WORK/opened.log"
i=0
while [ ! -e "$WORK/opener-go" ] && [ \$i -lt 3000 ]; do sleep 0.01; i=\$((i + 1)); done
EOF
rm -f "$WORK/opened.log"

opener_starts() { cat "$WORK/opened.log" 2>/dev/null | grep -c '^opened' || true; }

# close_and_eject HOW: opens the menu from the stick, gives the document to the opener, closes the
# menu while the opener decides, and unmounts the stick at once.
close_and_eject() {
  local how=$1 opened_before
  mount_fat "$WORK/stick.img" "$STICK"
  make_expected_pictures
  start_autorun "$STICK"
  opened_before=$(opener_starts)
  click_entry 1
  wait_for eval '[ "$(opener_starts)" -gt "$opened_before" ]' ||
    fail "$how: the opener did not start"
  case $how in
    Escape) xdotool key Escape ;;
    "the exit button") point_at_hot_spot 8 && expect_screen lit-8 "exit button highlighted" && xdotool click 1 ;;
    SIGTERM) kill -TERM "$menu_pid" ;;
  esac
  if ! wait_for menu_ended; then
    fail "$how: the menu did not end"
    kill "$menu_pid"
  fi
  wait "$menu_pid" 2>/dev/null || true
  menu_pid=
  if fusermount -u "$STICK" 2>"$WORK/umount.err"; then
    pass "$how: the stick unmounts at once while the opener decides"
  else
    fail "$how: the stick does not unmount: $(cat "$WORK/umount.err")"
    fusermount -u -z "$STICK"
  fi
}
close_and_eject Escape
close_and_eject "the exit button"
close_and_eject SIGTERM
touch "$WORK/opener-go"
finish
