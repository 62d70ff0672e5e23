#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about its window: size, place and title (from
# options.ini in every encoding an editor writes), the picture at a desktop's scale, closing it with
# the exit button, and the message when it cannot be made.

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

run_case
