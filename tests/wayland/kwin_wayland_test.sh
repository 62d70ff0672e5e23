#!/usr/bin/env bash
# The menu as a native Wayland client of kwin_wayland, whose 1024 x 768 output is a window on the
# test's Xvfb: kwin shows it 480 x 360 with nothing around it, centred. While the message box shows,
# a click on the menu gives the menu the keyboard, which no Wayland client can hand back: Return,
# Escape and Space typed into the menu then answer the box, and Escape does not end the menu. Escape
# ends it afterwards with exit status 0 and leaves nothing running.
#
# kwin's own scripting reports its windows; the pointer and the keyboard are the Xvfb's (xdotool),
# which kwin's seat follows.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"
# shellcheck source=tests/desktop/desktop_lib.sh
source "$(dirname "$0")/../desktop/desktop_lib.sh"

command -v kwin_wayland >/dev/null || { echo "SKIP: kwin_wayland is not installed"; exit 77; }
start_xvfb
start_session_bus
start_compositor kwin_wayland_nested
# xdotool drives the Xvfb, where kwin's output lies at the top-left: a place on the output is the
# screen's.
on_seat() { DISPLAY=$OUTER_DISPLAY "$@"; }

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

# The message box: a window of the menu's process titled "Tarvelin".
box_count() { sed -n "s/^js: boxes $1 //p" "$WORK/wm.log" | tail -n1; }
ask_box_count() {
  run_kwin_script <<JS
var boxes = 0;
workspace.clientList().forEach(function (c) { if (c.pid == $menu_pid && c.caption == "Tarvelin") boxes++; });
print("boxes $1 " + boxes);
JS
}
boxes_asked=0
boxes_are() { boxes_asked=$((boxes_asked + 1)); ask_box_count "$boxes_asked" && [ "$(box_count "$boxes_asked")" = "$1" ]; }

make_disc <(printf 'kwin test\r\ntools\\stand-in.sh one %s\r\ntools\\missing.exe\r\n' "$RUN_TOKEN")
(cd "$ELSEWHERE" && exec env SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY="$SESSION_WAYLAND_DISPLAY" "$DISC/tarvelin") \
  2>"$WORK/menu.err" &
menu_pid=$!
if ! wait_for geometry_known shown; then
  cat "$WORK/menu.err" >&2
  echo "kwin shows no window of the menu" >&2
  exit 1
fi
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

# The box, after a click on the menu: each of Return, Escape and Space typed into the menu answers it.
menu_x=$x
menu_y=$y
keys_answer_box 2 on_seat

on_seat xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
if stand_ins_running || pgrep -f "$DISC/tarvelin" >/dev/null; then
  fail "something of the menu is still running"
else
  pass "nothing of the menu is left running"
fi
finish
