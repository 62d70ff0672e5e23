#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about its window: size, place and title (from
# options.ini in every encoding an editor writes), the picture at a desktop's scale, closing it with
# the exit button, the message when it cannot be made, one menu per folder, and its place when the
# screen's resolution drops.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_window() {
  # The title holds é as the single byte 0xE9 of the Windows-1252 code page.
  make_disc "$work/disc" window.ini
  start_menu "$work/disc/tarvelin.exe"

  expect_geometry 480 360
  # A comma ends an unquoted field: the title is the text before it.
  local title
  title=$(xprop -id "$window" _NET_WM_NAME)
  [ "$title" = '_NET_WM_NAME(UTF8_STRING) = "Disc Café"' ] || fail "title: $title"

  expect_screen 0

  # Keys other than Escape do nothing; the highlight that follows shows they were handled.
  pointer_to "$bare_x" "$bare_y"
  xdotool key Return a space BackSpace
  highlight 1
  expect_running
  xdotool key Escape
  expect_exit 0
}

# The title "Disc Café €" and the command "café\missing.exe", as UTF-8.
options_in_utf8() { printf 'Disc Caf\xc3\xa9 \xe2\x82\xac\r\ncaf\xc3\xa9\\missing.exe\r\n'; }

case_encodings() {
  # The same options.ini as each kind of editor writes it reads the same; a file that is not
  # wholly UTF-8 is the ANSI code page.
  local encoding title
  for encoding in ansi utf-8 utf-8-bom utf-16le utf-16be not-utf-8; do
    mkdir -p "$work/$encoding"
    cp "$build/tarvelin.exe" "$work/$encoding/"
    case $encoding in
      ansi) options_in_utf8 | iconv -f UTF-8 -t WINDOWS-1252 ;;
      utf-8) options_in_utf8 ;;
      utf-8-bom) printf '\xef\xbb\xbf'; options_in_utf8 ;;
      utf-16le) printf '\xff\xfe'; options_in_utf8 | iconv -f UTF-8 -t UTF-16LE ;;
      utf-16be) printf '\xfe\xff'; options_in_utf8 | iconv -f UTF-8 -t UTF-16BE ;;
      not-utf-8) printf 'Caf\xc3\xa9 \xe9\r\n' ;;  # valid UTF-8 and then a lone byte
    esac >"$work/$encoding/options.ini"
    start_menu "$work/$encoding/tarvelin.exe"
    title=$(xprop -id "$window" _NET_WM_NAME)
    if [ "$encoding" = not-utf-8 ]; then
      [ "$title" = '_NET_WM_NAME(UTF8_STRING) = "CafÃ© é"' ] || fail "$encoding: title $title"
    else
      [ "$title" = '_NET_WM_NAME(UTF8_STRING) = "Disc Café €"' ] || fail "$encoding: title $title"
      highlight 1
      xdotool click 1
      expect_message 'café\missing.exe'
    fi
    xdotool key Escape
    expect_exit 0
  done
}

case_high_dpi() {
  # The prefix reports 200 % (192 DPI) to the programs started from now on, until the case ends.
  start_at_dpi 192 high_dpi.ini
  # From entry to entry, each showing only its own highlight.
  every_hot_spot
  # The screen pixels of entry 3's first picture column belong to the entry, the ones just left of
  # them to the bare window.
  local left top width height
  read -r left top width height <<<"$(hot_spot 3)"
  pointer_to_screen $((left * 2)) $((top * 2 + 1))
  expect_screen 3
  pointer_to_screen $((left * 2 - 1)) $((top * 2 + 1))
  expect_screen 0
  pointer_to_screen $((left * 2 + 1)) $(((top + height) * 2 - 1))
  expect_screen 3
  highlight 8
  xdotool click 1
  expect_exit 0
}

case_exit_button() {
  make_disc "$work/disc" exit_button.ini
  start_menu "$work/disc/tarvelin.exe"
  highlight 8
  xdotool click 1
  expect_exit 0
}

case_start_failure() {
  # With the menu's window refused by a hook, as on a system out of window handles, the menu says
  # what failed in a box titled with its own title, and ends. The hook hinders only a menu in a
  # folder named "nowindow".
  make_disc "$work/nowindow" start_failure.ini
  wine "$helpers/nowindow_hook.exe" 30 >"$work/hook.log" 2>&1 &
  hook_pid=$!
  trap 'kill "$hook_pid" 2>/dev/null || true; cleanup' EXIT
  local deadline=$((SECONDS + 30))
  until grep -q ready "$work/hook.log" 2>/dev/null; do
    kill -0 "$hook_pid" 2>/dev/null || fail "the hook could not be installed: $(cat "$work/hook.log")"
    [ $SECONDS -lt $deadline ] || fail "the hook was not ready within 30 s"
    sleep 0.1
  done
  (cd "$work" && exec wine "$work/nowindow/tarvelin.exe") >"$work/menu.log" 2>&1 &
  menu_pid=$!
  local report
  report=$(read_message_box)
  [[ "$(head -n1 <<<"$report")" =~ ^text=The\ menu\ cannot\ start:\ the\ window\ cannot\ be\ created\ \(error\ [0-9]+\)\.$ ]] ||
    fail "message box: $report"
  expect_exit 1
  kill "$hook_pid" 2>/dev/null || true
  wait "$hook_pid" 2>/dev/null || true
}

# The X windows of menus, in stacking order, the top one first (as xwininfo lists them).
stacked_menus() {
  local id listed
  listed=$(xwininfo -root -children)
  for id in $(xdotool search --onlyvisible --class '^tarvelin\.exe$' 2>/dev/null); do
    printf '%s %s\n' "$(grep -n "^ *$(printf '0x%x' "$id") " <<<"$listed" | cut -d: -f1)" "$id"
  done | sort -n | awk '{print $2}'
}

case_one_menu_per_folder() {
  # A menu from another folder shows too, here over the first, at the same place; a second start
  # from the first folder brings the first menu to the front and ends.
  make_disc "$work/first" window.ini
  make_disc "$work/second" window.ini
  start_menu "$work/first/tarvelin.exe"
  first_pid=$menu_pid
  local first_window=$window
  (cd "$work" && exec wine "$work/second/tarvelin.exe") >"$work/second.log" 2>&1 &
  second_pid=$!
  local second_window
  trap 'kill "$first_pid" "$second_pid" 2>/dev/null || true; cleanup' EXIT
  local deadline=$((SECONDS + 60))
  until [ "$(stacked_menus | wc -l)" -eq 2 ]; do
    [ $SECONDS -lt $deadline ] || fail "menus of two folders: $(stacked_menus | wc -l) windows"
    sleep 0.1
  done
  second_window=$(stacked_menus | grep -vx "$first_window")
  [ "$(stacked_menus | head -n1)" = "$second_window" ] || fail "the second folder's menu is not over the first"
  # The menu's window class is the program's name.
  wine "$helpers/moveto.exe" 0 0 || fail "no window of class Tarvelin"
  local status=0
  (cd "$work" && exec timeout 30 wine "$work/first/tarvelin.exe") >"$work/again.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "a second start from the same folder: status $status"
  deadline=$((SECONDS + 20))
  until [ "$(stacked_menus | head -n1)" = "$first_window" ]; do
    [ $SECONDS -lt $deadline ] || fail "the first menu did not come to the front: stacking $(stacked_menus | xargs)"
    sleep 0.1
  done
  [ "$(stacked_menus | wc -l)" -eq 2 ] || fail "after the second start: $(stacked_menus | wc -l) menu windows"
  kill -0 "$first_pid" 2>/dev/null || fail "the first menu ended"
  # The same folder named in other case ends the same way.
  status=0
  (cd "$work" && exec timeout 30 wine "$(winepath -w "$work/first/tarvelin.exe" | tr '[:lower:]' '[:upper:]')") \
    >"$work/again.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "a start from the same folder in capitals: status $status"
  [ "$(stacked_menus | wc -l)" -eq 2 ] || fail "after a start in capitals: $(stacked_menus | wc -l) menu windows"
  # In front, the first menu has the keyboard too.
  menu_pid=$first_pid
  xdotool key Escape
  expect_exit 0
  menu_pid=$second_pid
}

# The X server's screen at WIDTH x HEIGHT, a mode it is given first if it has none of that size.
screen_mode() {
  local mode="$1x$2"
  if ! xrandr | grep -q "^ *$mode "; then
    xrandr --newmode "$mode" 25 "$1" $(($1 + 16)) $(($1 + 112)) $(($1 + 160)) "$2" $(($2 + 10)) $(($2 + 12)) $(($2 + 45)) &&
      xrandr --addmode screen "$mode" || return 1
  fi
  xrandr --output screen --mode "$mode"
}

case_display_change() {
  command -v xrandr >/dev/null || { echo "SKIP: xrandr is missing (Debian package x11-xserver-utils)"; exit 77; }
  make_disc "$work/disc" window.ini
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 480 360
  # The resolution drops to 640 x 480 while the menu shows: the screen changes, and the display
  # settings apply it as Windows does, telling every window. (Wine takes only the mode the X server
  # is in.) The screen is 1024 x 768 again for the other cases when this one ends.
  trap 'xrandr --output screen --mode 1024x768 >/dev/null 2>&1 || true; cleanup' EXIT
  screen_mode 640 480 >/dev/null 2>&1 || { echo "SKIP: the X server cannot change its resolution"; exit 77; }
  local deadline=$((SECONDS + 20))
  until wine "$helpers/resolution.exe" 640 480 >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "Windows's display settings could not be set to 640 x 480"
    sleep 0.2
  done
  deadline=$((SECONDS + 20))
  until read -r window_x window_y < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}') &&
    [ "$window_x,$window_y" = "80,60" ]; do
    [ $SECONDS -lt $deadline ] || fail "after the change to 640 x 480 the window stays at $window_x,$window_y"
    sleep 0.1
  done
  expect_geometry 480 360
  expect_screen 0
  highlight 8
  xdotool click 1
  expect_exit 0
  # Back at 1024 x 768, a menu opens centred on it again.
  xrandr --output screen --mode 1024x768
  deadline=$((SECONDS + 20))
  while true; do
    start_menu "$work/disc/tarvelin.exe"
    [ "$window_x,$window_y" != "272,204" ] || break
    [ $SECONDS -lt $deadline ] || fail "back at 1024 x 768 the menu opens at $window_x,$window_y"
    kill "$menu_pid" 2>/dev/null || true
    wait "$menu_pid" 2>/dev/null || true
    sleep 0.5
  done
  xdotool key Escape
  expect_exit 0
}

run_case
