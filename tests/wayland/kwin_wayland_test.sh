#!/usr/bin/env bash
# The menu as a native Wayland client of kwin_wayland (headless, on a 1024 x 768 output), in two
# parts:
#  - close: kwin shows it 480 x 360 with nothing around it, centred; a close request from kwin
#    ends it with exit status 0 and leaves nothing running.
#  - escape: Escape typed on a virtual keyboard ends it so. Skipped (77) where kwin offers no
#    virtual keyboard.
#
# kwin's own scripting reports its windows; it takes no pointer from a test (its fake input has no
# client in Debian), so the pointer checks run through XWayland in desktop_kwin_wayland.
#
# Run as: bash SCRIPT PROGRAM ART_DIR close|escape

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/desktop/desktop_lib.sh
source "$(dirname "$0")/../desktop/desktop_lib.sh"

readonly PART=$3
case $PART in close | escape) ;; *) echo "no part $PART" >&2; exit 2 ;; esac
command -v kwin_wayland >/dev/null || { echo "SKIP: kwin_wayland is not installed"; exit 77; }
[ "$PART" = close ] || command -v wtype >/dev/null || { echo "SKIP: wtype is not installed"; exit 77; }
start_session_bus
start_compositor kwin_wayland

# Runs a script in kwin; what it prints lands in kwin's log as lines starting "js: ".
scripts_run=0
run_kwin_script() {
  scripts_run=$((scripts_run + 1))
  local file=$WORK/script-$scripts_run.js
  cat >"$file"
  dbus-send --session --dest=org.kde.KWin --print-reply /Scripting org.kde.kwin.Scripting.loadScript \
    string:"$file" string:"tarvelin-test-$scripts_run" >/dev/null &&
    dbus-send --session --dest=org.kde.KWin --print-reply /Scripting org.kde.kwin.Scripting.start >/dev/null
}
# "x y width height" of the menu's window as kwin places it, frame included.
menu_geometry() { sed -n "s/^js: menu $1 //p" "$WORK/wm.log" | tail -n1; }
ask_menu_geometry() {
  run_kwin_script <<JS
workspace.clientList().forEach(function (c) {
  if (c.pid == $menu_pid) {
    var f = c.frameGeometry;
    print("menu $1 " + f.x + " " + f.y + " " + f.width + " " + f.height);
  }
});
JS
}
geometry_known() { ask_menu_geometry "$1" && [ -n "$(menu_geometry "$1")" ]; }

make_disc <(printf 'kwin test\r\ntools\\stand-in.sh one %s\r\n' "$RUN_TOKEN")
(cd "$ELSEWHERE" && exec env SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY="$SESSION_WAYLAND_DISPLAY" "$DISC/tarvelin") \
  2>"$WORK/menu.err" &
menu_pid=$!
if ! wait_for geometry_known shown; then
  cat "$WORK/menu.err" >&2
  echo "kwin shows no window of the menu" >&2
  exit 1
fi
if [ "$PART" = close ]; then
  read -r x y width height < <(menu_geometry shown)
  if [ "$width x $height" = "$MENU_W x $MENU_H" ]; then
    pass "kwin shows the window 480 x 360, frame included"
  else
    fail "kwin shows the window, frame included, $width x $height"
  fi
  if [ "$x,$y" = "$(((SCREEN_W - MENU_W) / 2)),$(((SCREEN_H - MENU_H) / 2))" ]; then
    pass "kwin centres the window"
  else
    fail "kwin places the window at $x,$y on a $SCREEN_W x $SCREEN_H output"
  fi
  run_kwin_script <<JS
workspace.clientList().forEach(function (c) { if (c.pid == $menu_pid) c.closeWindow(); });
JS
  expect_menu_exit_status 0 "a close request from kwin ends the program"
elif WAYLAND_DISPLAY=$SESSION_WAYLAND_DISPLAY wtype -k Escape 2>"$WORK/wtype.err"; then
  expect_menu_exit_status 0 "Escape ends the program"
elif grep -q "does not support the virtual keyboard protocol" "$WORK/wtype.err"; then
  echo "SKIP: Escape: kwin offers no virtual keyboard ($(cat "$WORK/wtype.err"))"
  exit 77
else
  fail "wtype did not type Escape: $(cat "$WORK/wtype.err")"
fi
if stand_ins_running || pgrep -f "$DISC/tarvelin" >/dev/null; then
  fail "something of the menu is still running"
else
  pass "nothing of the menu is left running"
fi
finish
