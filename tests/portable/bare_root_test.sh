#!/usr/bin/env bash
# The Linux program on a machine where nothing was installed for it: a root holding only glibc, the
# X11 client libraries and their locale data (no SDL, no libstdc++, no shell), entered with chroot,
# showing the menu on an X server outside it. The window opens centred at 480 x 360 showing the
# background pixel for pixel, the entry under the pointer lights up, a click starts its program,
# a missing program shows the message box, and Escape ends the menu with exit status 0. Ended
# while the box shows, the menu leaves nothing behind: no window, no process. In a root with glibc
# alone (no X11, no Wayland) it says that it has no display and ends with exit status 1.
#
#   bare_root_test.sh PROGRAM ART_DIR RECORDER SYSTEM_ROOT
# RECORDER: a static program that records its start (recorder.c). SYSTEM_ROOT: the installed system
# whose packages the root is made of, "/" for this machine (Debian 12, glibc 2.36) or the Debian 11
# build root (glibc 2.31). Needs root, for chroot and mounts: skipped without.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
readonly RECORDER=$3 SYSTEM_ROOT=${4%/}
# The root is the test's own folder: the disc is at /disc in it, the record of starts at /starts.log.
readonly ROOT=$WORK
readonly PACKAGES="libc6 libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 libxext6 libx11-data"

[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root (chroot, and mounts in the root)"; exit 77; }
[ -d "$SYSTEM_ROOT/var/lib/dpkg" ] || { echo "no Debian system at ${SYSTEM_ROOT:-/}" >&2; exit 1; }

# shellcheck source=tests/portable/root_lib.sh
source "$(dirname "$0")/root_lib.sh"

# Starts the menu in the root and finds its window. /proc (where the menu finds its own folder) and
# the X server's socket are mounted in a namespace that ends with the menu.
start_menu_in_root() {
  xdotool mousemove 0 0
  unshare --mount --propagation private sh -c '
    mount -t proc proc "$1/proc" && mount --bind /tmp/.X11-unix "$1/tmp/.X11-unix" && exec chroot "$1" /disc/tarvelin
  ' sh "$ROOT" 2>"$WORK/menu.err" &
  menu_pid=$!
  await_menu_window
}

start_xvfb
make_disc "$(dirname "$0")/fixtures/bare_root.ini"
cp "$RECORDER" "$DISC/tools/recorder"
# shellcheck disable=SC2086  # one word per package
make_root "$ROOT" $PACKAGES
make_expected_pictures

# The root holds what it should and nothing the program could lean on.
glibc=$(find "$ROOT" -name 'libc.so.6' | head -n 1)
if [ -n "$glibc" ] && [ -z "$(find "$ROOT" \( -name 'libSDL2*' -o -name 'libstdc++*' -o -name 'libgcc_s*' -o -name sh \) -print -quit)" ]; then
  pass "the root holds glibc ($(basename "$(readlink -f "$glibc")")) and X11, no SDL, libstdc++, libgcc_s or shell"
else
  fail "the root lacks glibc or holds more: $(find "$ROOT" \( -name 'libSDL2*' -o -name 'libstdc++*' -o -name 'libgcc_s*' -o -name sh \) | xargs)"
fi

start_menu_in_root
expect_centred_window
expect_screen plain "window shows background.bmp pixel for pixel"

point_at_hot_spot 3
expect_screen lit-3 "the entry under the pointer lights up"

point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
expected="started cwd=/disc [one] [two words]"
if wait_for has_starts 1 && [ "$(head -n 1 "$STARTS")" = "$expected" ]; then
  pass "a click on entry 1 started its program from the disc"
else
  fail "a click on entry 1 started: $(cat "$STARTS" 2>/dev/null), expected: $expected"
fi

point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted"
xdotool click 1
if wait_for message_box_shown; then
  pass "a missing program shows a window titled Tarvelin"
  xdotool key --window "$(message_box_window)" Return
  if wait_for no_message_box; then pass "Return dismisses the message box"; else fail "the message box stays"; fi
else
  fail "no message box for a missing program; standard error: $(tr '\n' ' ' <"$WORK/menu.err")"
fi

point_at_hot_spot 4
expect_screen lit-4 "the menu works again after the message"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"

# Processes whose root is the test's root: the menu and anything it left running.
processes_in_root() {
  local process
  for process in /proc/[0-9]*; do
    [ "$(readlink "$process/root" 2>/dev/null)" = "$ROOT" ] && echo "${process#/proc/}"
  done
}
nothing_in_root() { [ -z "$(processes_in_root)" ]; }
windows_gone() { no_message_box && ! xwininfo -id "$menu_window" >/dev/null 2>&1; }

start_menu_in_root
point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted in a new menu"
xdotool click 1
wait_for message_box_shown || fail "no message box in the new menu"
kill -TERM "$menu_pid"
wait "$menu_pid" 2>/dev/null || true
menu_pid=
if wait_for nothing_in_root; then
  pass "ended while the box shows, no process of the menu stays"
else
  fail "processes left in the root: $(processes_in_root | xargs -r ps -o pid=,args= -p)"
fi
if wait_for windows_gone; then pass "and neither the box nor the menu's window stays"; else fail "windows stay: $(message_boxes) box(es)"; fi

# --- glibc alone: no X11 or Wayland client library to load.
bare=$WORK/glibc-only
make_root "$bare" libc6
mkdir -p "$bare/disc"
cp "$DISC/tarvelin" "$DISC/options.ini" "$bare/disc/"
status=0
env -u SDL_VIDEODRIVER timeout 10 unshare --mount --propagation private sh -c '
  mount -t proc proc "$1/proc" && exec chroot "$1" /disc/tarvelin
' sh "$bare" 2>"$WORK/glibc-only.err" || status=$?
if [ "$status" -eq 1 ] && grep -q '^tarvelin: no display' "$WORK/glibc-only.err"; then
  pass "with glibc alone: exit status 1, $(grep '^tarvelin: ' "$WORK/glibc-only.err")"
else
  fail "with glibc alone: exit status $status, standard error: $(tr '\n' ' ' <"$WORK/glibc-only.err")"
fi

finish
