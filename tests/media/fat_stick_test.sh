#!/usr/bin/env bash
# The medium on a USB stick formatted FAT32, mounted as desktops mount one (no file has an execute
# bit), opened as desktops open it, by "sh autorun.sh":
#  - the menu opens, and takes the stick for its own folder, not the dynamic loader's: the title of
#    its options.ini, its pictures, a document opened from it, the folder held open, and nothing of
#    the menu left on the stick once it has closed;
#  - its programs start though they lack execute bits: a script through its interpreter, a program
#    through the dynamic loader, each with its arguments and the stick as current folder; a script
#    on another stick is no program of this medium and never runs;
#  - a stick mounted noexec runs nothing: no menu, and the user is told why, on the desktop and on
#    standard error; a script there named by a command gives the message, with the reason.

# shellcheck source=tests/media/media_lib.sh
source "$(dirname "$0")/media_lib.sh"

start_xvfb
install_opener
readonly STICK=$WORK/stick OTHER=$WORK/other LOCKED=$WORK/locked
readonly CONTENT=$WORK/content
mkdir -p "$CONTENT" "$WORK/other-content" "$WORK/locked-content"
printf 'FAT stick\r\ntools\\stand-in.sh one "two words" %s\r\ntools\\recorder %s two\r\ndocs\\guide.pdf\r\n%s\r\n%s\r\n' \
  "$RUN_TOKEN" "$STARTS" "$OTHER/foreign.sh $RUN_TOKEN" "$LOCKED/locked.sh $RUN_TOKEN" >"$WORK/options.ini"
make_medium_folder "$CONTENT" "$WORK/options.ini"
write_author_pictures "$CONTENT"
write_stand_in "$CONTENT/tools/stand-in.sh" 'started'
cp "$RECORDER" "$CONTENT/tools/recorder"
echo '%PDF-1.4' >"$CONTENT/docs/guide.pdf"
write_stand_in "$WORK/other-content/foreign.sh" 'foreign'
write_stand_in "$WORK/locked-content/locked.sh" 'locked'

make_fat_image "$WORK/stick.img" "$CONTENT"
make_fat_image "$WORK/other.img" "$WORK/other-content" 8
make_fat_image "$WORK/locked.img" "$WORK/locked-content" 8
mount_fat "$WORK/stick.img" "$STICK"
mount_fat "$WORK/other.img" "$OTHER"
mount_fat "$WORK/locked.img" "$LOCKED" noexec
if ls -l "$STICK" "$STICK/tools" | grep -q "^-..[xs]"; then
  fail "the stick's files have execute bits: $(ls -l "$STICK")"
fi
make_expected_pictures "$CONTENT"

# --- The menu opens from the stick.
start_autorun "$STICK"
pass "sh autorun.sh opens the menu from a stick whose files have no execute bit"
title=$(xdotool getwindowname "$menu_window")
if [ "$title" = "FAT stick" ]; then pass "the title is the stick's options.ini's"; else fail "the window is titled \"$title\""; fi
expect_screen plain "the stick's background.bmp shows"
held() { ls -l "/proc/$menu_pid/fd" 2>/dev/null | grep -q -- "-> $STICK\$"; }
if held; then pass "the menu holds the stick's folder"; else fail "the menu holds no descriptor of $STICK"; fi

click_entry 3
if wait_for grep -q -F "opened [$STICK/docs/guide.pdf]" "$WORK/opened.log"; then
  pass "a document of the stick opens from the stick"
else
  fail "the document: opened $(opened); message boxes: $(message_boxes); $(cat "$WORK/menu.err")"
fi

# --- Its programs start.
expect_start 1 "$STARTS" "started cwd=$STICK LC_ALL=${LC_ALL-unset} [one] [two words] [$RUN_TOKEN]" \
  "a script without execute bit starts through its interpreter, with its arguments, in the stick's folder"
expect_start 2 "$STARTS" "started cwd=$STICK [two]" \
  "a program without execute bit starts through the dynamic loader, with its arguments, in the stick's folder"

# A script on another stick is no program of this medium: it goes to the opener, as a document.
click_entry 4
wait_for grep -q -F "opened [$OTHER/foreign.sh]" "$WORK/opened.log" ||
  fail "the other stick's script was not given to the opener: $(opened); $(message_boxes) message box(es)"
# A script on a stick mounted noexec gives the message, and standard error says why.
click_entry 5
if wait_for message_box_shown; then pass "a script on a noexec stick gives the message"; else fail "no message for a noexec stick"; fi
expect_stderr "^tarvelin: cannot start \"$LOCKED/locked.sh $RUN_TOKEN\": the medium is mounted with noexec" \
  "standard error says the script's medium is mounted noexec"
no_message_box || dismiss_message_box
wait_for stand_ins_done || fail "stand-in programs still running"
if grep -q -e '^foreign' -e '^locked' "$STARTS"; then
  fail "a script off the medium ran: $(cat "$STARTS")"
else
  pass "no script off the medium ran"
fi

xdotool key Escape
expect_menu_exit_status 0 "Escape ends the menu"
if fusermount -u "$STICK" 2>"$WORK/umount.err"; then
  pass "the stick unmounts the moment the menu has closed"
else
  fail "the stick does not unmount: $(cat "$WORK/umount.err")"
fi

# --- The same stick mounted noexec: nothing runs, and the user is told.
mount_fat "$WORK/stick.img" "$STICK" noexec
cat >"$WORK/bin/notify-send" <<EOF
#!/bin/sh
echo "\$*" >>"$WORK/notified.log"
EOF
chmod +x "$WORK/bin/notify-send"
status=0
(cd "$ELSEWHERE" && exec timeout 20 sh "$STICK/autorun.sh") 2>"$WORK/menu.err" || status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; then pass "on a noexec stick autorun.sh ends (status $status)"; else fail "on a noexec stick autorun.sh ended with status $status"; fi
expect_stderr "^tarvelin: the menu on $STICK cannot open: the medium is mounted with noexec" \
  "standard error names the stick and says it is mounted noexec"
if grep -q -F "the menu on $STICK cannot open: the medium is mounted with noexec" "$WORK/notified.log" 2>/dev/null; then
  pass "the desktop shows the same in a notification"
else
  fail "no notification on the desktop: $(cat "$WORK/notified.log" 2>/dev/null)"
fi
finish
