#!/usr/bin/env bash
# The medium on discs and read-only media, opened by "sh autorun.sh":
#  - an ISO 9660 disc with Joliet names only, where every file has the mode the mount gives (no
#    execute bit): the menu opens with its title and pictures, a script starts through its
#    interpreter and a program through the dynamic loader, a 32-bit x86 installer through the
#    32-bit loader its header names;
#  - a Rock Ridge disc made from a Windows author's folder, whose names differ in case from what
#    options.ini says (Options.ini, Background.bmp, Highlight.bmp, setup\setup against
#    Setup/Setup, docs\readme.txt against ReadMe.txt): the title, the pictures, the program and
#    the document are found as Windows finds them;
#  - a FAT stick mounted read-only: the menu opens and starts its programs, and nothing on the
#    stick has changed when it has closed.

# shellcheck source=tests/media/media_lib.sh
source "$(dirname "$0")/media_lib.sh"

start_xvfb
install_opener

# Opens the menu from MEDIUM, checks the title, the pictures at rest and entries 1 and 2, which
# record their starts with the word given, and closes it.
#   check_medium WHAT MEDIUM TITLE WORD
check_medium() {
  local what=$1 medium=$2 title=$3 word=$4 shown
  : >"$STARTS"
  start_autorun "$medium"
  pass "$what: sh autorun.sh opens the menu"
  shown=$(xdotool getwindowname "$menu_window")
  if [ "$shown" = "$title" ]; then pass "$what: the title is the medium's"; else fail "$what: the window is titled \"$shown\""; fi
  expect_screen plain "$what: the medium's background.bmp shows"
  expect_start 1 "$STARTS" "$word cwd=$medium LC_ALL=${LC_ALL-unset} [one] [$RUN_TOKEN]" \
    "$what: entry 1's script starts in the medium's folder"
  expect_start 2 "$STARTS" "started cwd=$medium [two]" "$what: entry 2's program starts in the medium's folder"
  wait_for stand_ins_done || fail "$what: stand-in programs still running"
  xdotool key Escape
  expect_menu_exit_status 0 "$what: Escape ends the menu"
}

# --- A Joliet-only disc.
content=$WORK/joliet-content
printf 'Joliet disc\r\ntools\\stand-in.sh one %s\r\ntools\\recorder %s two\r\nsetup32 %s three\r\n' "$RUN_TOKEN" "$STARTS" \
  "$STARTS" >"$WORK/joliet.ini"
make_medium_folder "$content" "$WORK/joliet.ini"
write_author_pictures "$content"
write_stand_in "$content/tools/stand-in.sh" 'joliet'
cp "$RECORDER" "$content/tools/recorder"
[ -z "$RECORDER_X86" ] || cp "$RECORDER_X86" "$content/setup32"
make_iso_image "$WORK/joliet.iso" "$content" joliet
mount_iso "$WORK/joliet.iso" "$WORK/joliet" joliet
ls -l "$WORK/joliet" "$WORK/joliet/tools" | grep -q '^-..x' && fail "the Joliet disc's files have execute bits"
make_expected_pictures "$content"
check_medium "Joliet disc" "$WORK/joliet" "Joliet disc" joliet
# A 32-bit x86 installer, run through /lib/ld-linux.so.2 where the system has it.
x86_case=
if [ -z "$RECORDER_X86" ]; then
  x86_case="no 32-bit x86 program was built (gcc-multilib: scripts/install-deps.sh test)"
elif [ ! -e /lib/ld-linux.so.2 ]; then
  x86_case="this system has no 32-bit x86 loader (libc6:i386)"
else
  start_autorun "$WORK/joliet"
  expect_start 3 "$STARTS" "started cwd=$WORK/joliet [three]" \
    "Joliet disc: a 32-bit x86 installer starts through its loader, in the medium's folder"
  xdotool key Escape
  expect_menu_exit_status 0 "Joliet disc: Escape ends the menu"
fi

# --- A Rock Ridge disc whose names differ in case from options.ini's.
content=$WORK/rockridge-content
mkdir -p "$content/Setup" "$content/Docs"
printf 'Case disc\r\ntools\\stand-in.sh one %s\r\ntools\\recorder %s two\r\nsetup\\setup %s three\r\ndocs\\readme.txt\r\n' \
  "$RUN_TOKEN" "$STARTS" "$STARTS" >"$WORK/case.ini"
make_medium_folder "$content" "$WORK/case.ini"
mv "$content/options.ini" "$content/Options.ini"
write_author_pictures "$content"
mv "$content/background.bmp" "$content/Background.bmp"
mv "$content/highlight.bmp" "$content/Highlight.bmp"
mv "$content/tools" "$content/Tools"
rmdir "$content/docs"
write_stand_in "$content/Tools/Stand-In.sh" 'rockridge'
cp "$RECORDER" "$content/Tools/recorder"
cp "$RECORDER" "$content/Setup/Setup"
echo 'Read me' >"$content/Docs/ReadMe.txt"
chmod 0755 "$content/.tarvelin" "$content/autorun.sh" "$content/Setup/Setup" "$content/Tools/recorder"
make_iso_image "$WORK/rockridge.iso" "$content" rockridge
disc=$WORK/rockridge
mount_iso "$WORK/rockridge.iso" "$disc" rockridge
[ -e "$disc/options.ini" ] && fail "the Rock Ridge disc matches names ignoring case; the case could not fail"
make_expected_pictures "$(cd "$content" && mkdir -p lower && cp Background.bmp lower/background.bmp && cp Highlight.bmp lower/highlight.bmp && pwd)/lower"
check_medium "names in another case" "$disc" "Case disc" rockridge
start_autorun "$disc"
expect_start 3 "$STARTS" "started cwd=$disc [three]" "setup\\setup starts Setup/Setup"
expect_start 4 "$WORK/opened.log" "opened [$disc/Docs/ReadMe.txt]" "docs\\readme.txt opens Docs/ReadMe.txt"
xdotool key Escape
expect_menu_exit_status 0 "names in another case: Escape ends the menu"

# --- A FAT stick mounted read-only.
content=$WORK/fat-content
printf 'Read-only stick\r\ntools\\stand-in.sh one %s\r\ntools\\recorder %s two\r\n' "$RUN_TOKEN" "$STARTS" >"$WORK/ro.ini"
make_medium_folder "$content" "$WORK/ro.ini"
write_author_pictures "$content"
write_stand_in "$content/tools/stand-in.sh" 'read-only'
cp "$RECORDER" "$content/tools/recorder"
make_fat_image "$WORK/ro.img" "$content"
before=$(sha256sum <"$WORK/ro.img")
mount_fat "$WORK/ro.img" "$WORK/ro" ro
make_expected_pictures "$content"
check_medium "read-only stick" "$WORK/ro" "Read-only stick" read-only
fusermount -u "$WORK/ro" || fail "the read-only stick does not unmount"
if [ "$(sha256sum <"$WORK/ro.img")" = "$before" ]; then
  pass "nothing on the read-only stick changed"
else
  fail "the read-only stick's image changed"
fi
if [ -n "$x86_case" ] && [ "$failures" -eq 0 ]; then
  echo "SKIP: the 32-bit x86 installer was not tried: $x86_case"
  exit 77
fi
finish
