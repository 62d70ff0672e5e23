#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine, in the session wine_session.sh started.
#   wine_cases.sh CASE SESSION_DIR WIN32_BUILD_DIR ART_DIR
# with TARVELIN_HOT_SPOTS naming the build's table of hot spots.
# Each case copies the program onto a "disc" folder of its own, starts it from another current
# directory, drives it with xdotool and checks what a user would see: the window, its pixels,
# the program started, the message shown, the exit status.
set -euo pipefail

case_name=$1
session=$2
build=$3
art=$4

if [ ! -f "$build/tarvelin.exe" ]; then
  echo "SKIP: no tarvelin.exe in $build; build it with: cmake --preset mingw && cmake --build --preset mingw"
  exit 77
fi
helpers=$build/wine-helpers
for helper in standin.exe readbox.exe loadprobe.exe planted.dll nowindow_hook.exe nowindow.dll; do
  [ -f "$helpers/$helper" ] || { echo "FAIL: $helpers/$helper missing; build the mingw tree with its tests" >&2; exit 1; }
done
[ -f "$session/env" ] || { echo "FAIL: no Wine session in $session (run the wine_session_start test)" >&2; exit 1; }
# shellcheck source=/dev/null
source "$session/env"

work=$(mktemp -d "$TARVELIN_WINE_TMP/$case_name.XXXXXX")
menu_pid=
drive_link=
dpi_restore=
cleanup() {
  if [ -n "$menu_pid" ] && kill -0 "$menu_pid" 2>/dev/null; then kill "$menu_pid" 2>/dev/null || true; fi
  if [ -n "$drive_link" ]; then rm -f "$drive_link"; fi
  # Back to the 96 DPI the other cases expect.
  if [ -n "$dpi_restore" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  exit 1
}

# --- The disc and the program ------------------------------------------------------------------

# make_disc DIR OPTIONS_BYTES: the program and an options.ini (printf format) in DIR.
make_disc() {
  mkdir -p "$1"
  cp "$build/tarvelin.exe" "$1/"
  # shellcheck disable=SC2059
  printf "$2" >"$1/options.ini"
}

# start_menu EXE_PATH: starts the menu from a current directory of its own, away from the disc.
start_menu() {
  mkdir -p "$work/elsewhere"
  xdotool mousemove 0 0  # off the window, which opens centred
  (cd "$work/elsewhere" && exec wine "$1") >"$work/menu.log" 2>&1 &
  menu_pid=$!
  window=
  local deadline=$((SECONDS + 60))
  until window=$(xdotool search --onlyvisible --class '^tarvelin\.exe$' 2>/dev/null | head -n1) && [ -n "$window" ]; do
    kill -0 "$menu_pid" 2>/dev/null || fail "the menu ended before its window showed: $(cat "$work/menu.log")"
    [ $SECONDS -lt $deadline ] || fail "no menu window within 60 s"
    sleep 0.1
  done
  read -r window_x window_y < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
}

# expect_exit STATUS: the menu ends, with this exit status.
expect_exit() {
  local deadline=$((SECONDS + 30))
  while kill -0 "$menu_pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "the menu is still running 30 s after it was closed"
    sleep 0.1
  done
  local status=0
  wait "$menu_pid" || status=$?
  menu_pid=
  [ "$status" -eq "$1" ] || fail "exit status $status, wanted $1"
}

expect_running() {
  kill -0 "$menu_pid" 2>/dev/null || fail "the menu ended: $(cat "$work/menu.log")"
}

# --- The screen ------------------------------------------------------------------------------

# Screen pixels per picture pixel: 2 in the high-DPI case, whose prefix reports 192 DPI.
scale=1

# The hot spots: index left top width height, from the build's table.
mapfile -t hot_spots <"${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}"

# expected_picture INDEX: the background with hot spot INDEX shown from the highlight picture
# (0: the plain background), each pixel a scale x scale square, as a file name.
expected_picture() {
  # Uncompressed files: a screenshot is taken and compared many times a case.
  local file="$work/expected-$1-x$scale.ppm"
  if [ ! -f "$file" ]; then
    if [ "$1" = 0 ]; then
      convert "$art/background.bmp" -scale "$((scale * 100))%" "$file"
    else
      local spot index left top width height
      for spot in "${hot_spots[@]}"; do
        read -r index left top width height <<<"$spot"
        [ "$index" = "$1" ] && break
      done
      convert "$art/background.bmp" \( "$art/highlight.bmp" -crop "${width}x${height}+${left}+${top}" +repage \) \
        -geometry "+${left}+${top}" -composite -scale "$((scale * 100))%" "$file"
    fi
  fi
  echo "$file"
}

# expect_screen INDEX: the window comes to show exactly expected_picture INDEX, pixel for pixel.
expect_screen() {
  local expected differing=unknown deadline=$((SECONDS + 20))
  expected=$(expected_picture "$1")
  while true; do
    if import -window "$window" "$work/screen.ppm" 2>/dev/null; then
      differing=$(compare -metric AE "$work/screen.ppm" "$expected" null: 2>&1 || true)
      [ "$differing" = 0 ] && return 0
    fi
    [ $SECONDS -lt $deadline ] || fail "the window does not show picture $1: $differing pixels differ (see $work/screen.ppm)"
    sleep 0.1
  done
}

# pointer_to X Y: the pointer to picture pixel (X, Y) of the menu window: the top-left screen
# pixel of its square.
pointer_to() { xdotool mousemove $((window_x + $1 * scale)) $((window_y + $2 * scale)); }

# pointer_to_screen X Y: the pointer to screen pixel (X, Y) of the menu window's client area.
pointer_to_screen() { xdotool mousemove $((window_x + $1)) $((window_y + $2)); }

# pointer_to_spot INDEX: the pointer to the middle of a hot spot.
pointer_to_spot() {
  local spot index left top width height
  for spot in "${hot_spots[@]}"; do
    read -r index left top width height <<<"$spot"
    [ "$index" = "$1" ] && { pointer_to $((left + width / 2)) $((top + height / 2)); return; }
  done
  fail "no hot spot $1"
}

# highlight INDEX: points at a hot spot and waits for its highlight.
highlight() {
  pointer_to_spot "$1"
  expect_screen "$1"
}

# A client pixel of the bare window, in the gap between entries 1 and 2.
bare_x=250
bare_y=124

# expect_geometry W H: the window is W x H pixels, centred on the screen (which has no task bar).
expect_geometry() {
  local size
  size=$(xwininfo -id "$window" | awk '/^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print w "x" h}')
  [ "$size" = "$1x$2" ] || fail "window size $size, wanted $1x$2"
  local screen_w screen_h
  read -r screen_w screen_h < <(xwininfo -root | awk '/^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print w, h}')
  [ "$window_x,$window_y" = "$(((screen_w - $1) / 2)),$(((screen_h - $2) / 2))" ] ||
    fail "window at $window_x,$window_y, not centred on the ${screen_w}x${screen_h} screen"
}

# --- Messages and programs ----------------------------------------------------------------

# read_message_box: the text of the "Tarvelin" box (readbox.exe's report), which is then dismissed.
read_message_box() {
  wine "$helpers/readbox.exe" 30 --dismiss 2>/dev/null | tr -d '\r' || fail "no message box titled \"Tarvelin\""
}

# expect_message COMMAND: the one failure message for COMMAND shows, alone and without an icon, and
# is dismissed.
expect_message() {
  local report
  report=$(read_message_box)
  local wanted="text=The file $1 could not be found.
texts=1
icons=0
owned=yes"
  [ "$report" = "$wanted" ] || fail "message box: got
$report
wanted
$wanted"
}

# Our prefix's processes whose command line holds PATTERN.
prefix_processes() {
  local pid
  for pid in $(pgrep -f "$1" || true); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}

# --- The cases ----------------------------------------------------------------------------------

case_window() {
  # The title holds é as the single byte 0xE9 of the Windows-1252 code page.
  make_disc "$work/disc" 'Disc Caf\xe9, the demo\r\nguide\\guide.exe\r\n'
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

case_hover() {
  make_disc "$work/disc" 'Hover\r\n'
  start_menu "$work/disc/tarvelin.exe"
  expect_screen 0
  local spot index rest
  for spot in "${hot_spots[@]}"; do
    read -r index rest <<<"$spot"
    highlight "$index"
    pointer_to "$bare_x" "$bare_y"
    expect_screen 0
  done
  # Straight from entry 2 onto entry 4, with no movement over the bare window between them.
  highlight 2
  pointer_to_spot 4
  expect_screen 4
  # Across the 17-pixel gap below entry 4 to entry 5.
  pointer_to 250 240
  expect_screen 0
  highlight 5
  xdotool key Escape
  expect_exit 0
}

case_activation() {
  # The disc is drive D: and the program sits at its root, so the application directory is "D:\";
  # the menu starts with the current directory on another drive (Z:).
  make_disc "$work/disc" 'Activation\r\ntools\\standin.exe first "second arg"\r\n'
  mkdir -p "$work/disc/tools"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  drive_link=$WINEPREFIX/dosdevices/d:
  rm -f "$drive_link"
  ln -s "$work/disc" "$drive_link"
  start_menu 'D:\tarvelin.exe'
  local record=$work/disc/tools/standin-record.txt

  highlight 1
  xdotool click 1
  local deadline=$((SECONDS + 30))
  until [ "$(wc -l <"$record" 2>/dev/null || echo 0)" -ge 3 ]; do
    [ $SECONDS -lt $deadline ] || fail "the entry's program did not start"
    sleep 0.1
  done
  local wanted='D:\
tools\standin.exe first "second arg"
1'
  [ "$(tr -d '\r' <"$record")" = "$wanted" ] || fail "started as
$(cat "$record")
wanted (directory, command line, SW_SHOWNORMAL)
$wanted"
  # The menu stays open with the entry still highlighted.
  expect_screen 1
  expect_running

  # A double-click starts the program once (its second press is no click); a click after it
  # starts it again. Each lands a few pixels from the last, so the system pairs only the two
  # presses of the double-click. The pointer's move to the bare window is handled after them.
  pointer_to 80 104
  xdotool click --repeat 2 --delay 60 1
  pointer_to 420 104
  xdotool click 1
  pointer_to "$bare_x" "$bare_y"
  expect_screen 0
  deadline=$((SECONDS + 30))
  while [ -n "$(prefix_processes 'standin\.exe')" ]; do
    [ $SECONDS -lt $deadline ] || fail "stand-in programs still running after 30 s"
    sleep 0.1
  done
  local starts
  starts=$(($(wc -l <"$record") / 3))
  [ "$starts" -eq 3 ] || fail "$starts starts after a click, a double-click and a click; wanted 3"
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

case_missing_command() {
  make_disc "$work/disc" 'Missing\r\nmissing\\nothing.exe /x\r\n""\r\n'
  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message 'missing\nothing.exe /x'
  # The menu carries on, the entry still highlighted.
  expect_screen 1
  expect_running
  # An empty command gives the message with nothing between "The file " and " could not be found.".
  highlight 2
  xdotool click 1
  expect_message ''
  expect_screen 2
  xdotool key Escape
  expect_exit 0
}

case_exit_button() {
  make_disc "$work/disc" 'Exit\r\n'
  start_menu "$work/disc/tarvelin.exe"
  highlight 8
  xdotool click 1
  expect_exit 0
}

case_planted_dll() {
  # DLLs named like ones that Windows and Wine load at run time, planted beside the program. Wine
  # is told to prefer a DLL of those names found on the search path over its own, as Windows
  # does for DLLs that are not KnownDLLs.
  local planted=(uxtheme dwmapi shcore shlwapi version)
  make_disc "$work/disc" 'Planted\r\nmissing.exe\r\n'
  local name
  for name in "${planted[@]}"; do cp "$helpers/planted.dll" "$work/disc/$name.dll"; done
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme,dwmapi=n,b"

  # The check itself: a program that does not restrict the search does load the planted DLL.
  cp "$helpers/loadprobe.exe" "$work/disc/"
  (cd "$work/elsewhere" 2>/dev/null || mkdir -p "$work/elsewhere"; wine "$work/disc/loadprobe.exe" uxtheme.dll) || true
  [ -f "$work/disc/uxtheme.dll-loaded.txt" ] || fail "the planted DLL is not loadable; the case cannot see a load"
  rm -f "$work/disc/"*-loaded.txt

  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message 'missing.exe'
  highlight 8
  xdotool click 1
  expect_exit 0
  local loaded
  loaded=$(cd "$work/disc" && ls -- *-loaded.txt 2>/dev/null || true)
  [ -z "$loaded" ] || fail "planted DLLs were loaded: ${loaded//-loaded.txt/}"
}

# wait_for_starts RECORD N: the stand-in's RECORD holds N starts (three lines each).
wait_for_starts() {
  local deadline=$((SECONDS + 30))
  until [ "$({ wc -l <"$1"; } 2>/dev/null || echo 0)" -ge $(($2 * 3)) ]; do
    [ $SECONDS -lt $deadline ] || fail "the stand-in did not start $2 time(s): $(cat "$1" 2>/dev/null)"
    sleep 0.1
  done
}

case_documents() {
  # The disc is drive D:. The prefix opens .tvdoc documents, https: links and folders with the
  # stand-in, as a system would with a viewer, a browser and a file manager.
  make_disc "$work/disc" 'Documents\r\ndocs\\guide.tvdoc\r\ndocs\\missing.tvdoc\r\nhttps://example.org/guide?a=1\r\ndocs\r\ndocs\\guide.tvdoc /p 2\r\n'
  mkdir -p "$work/disc/tools" "$work/disc/docs"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  echo 'A document' >"$work/disc/docs/guide.tvdoc"
  drive_link=$WINEPREFIX/dosdevices/d:
  rm -f "$drive_link"
  ln -s "$work/disc" "$drive_link"
  # Into HKEY_CLASSES_ROOT itself: Wine 8 does not look at the user's Software\Classes. Wine's own
  # folder opener talks DDE to its explorer, which answers no one here, so that part goes.
  local handler='@="\"D:\\tools\\standin.exe\" \"%1\" %*"'
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CLASSES_ROOT\.tvdoc]' '@="Tarvelin.TestDocument"' '' \
    '[HKEY_CLASSES_ROOT\Tarvelin.TestDocument\shell\open\command]' "$handler" '' \
    '[HKEY_CLASSES_ROOT\https\shell\open\command]' "$handler" '' \
    '[HKEY_CLASSES_ROOT\Folder\shell\open\command]' "$handler" '' \
    '[-HKEY_CLASSES_ROOT\Folder\shell\open\ddeexec]' >"$work/disc/types.reg"
  wine regedit /S 'D:\types.reg' >/dev/null 2>&1 || fail "the document types could not be registered"
  start_menu 'D:\tarvelin.exe'
  local record=$work/disc/tools/standin-record.txt

  highlight 1
  xdotool click 1
  wait_for_starts "$record" 1
  highlight 2
  xdotool click 1
  expect_message 'docs\missing.tvdoc'
  highlight 3
  xdotool click 1
  wait_for_starts "$record" 2
  highlight 4
  xdotool click 1
  wait_for_starts "$record" 3
  highlight 5
  xdotool click 1
  wait_for_starts "$record" 4
  # Each opener ran in the application directory with the target as its argument.
  local wanted='D:\
"D:\tools\standin.exe" "D:\docs\guide.tvdoc"
1
D:\
"D:\tools\standin.exe" "https://example.org/guide?a=1"
1
D:\
"D:\tools\standin.exe" "D:\docs"
1
D:\
"D:\tools\standin.exe" "D:\docs\guide.tvdoc" /p 2
1'
  # An empty %* leaves a blank at the end of the line.
  [ "$(tr -d '\r' <"$record" | sed 's/ *$//')" = "$wanted" ] || fail "opened as
$(cat "$record")
wanted
$wanted"
  expect_screen 5
  xdotool key Escape
  expect_exit 0
}

case_demo_disc() {
  # The Windows demo disc the build stages: every entry starts its stand-in, which says so.
  local disc=$build/demo-disc
  [ -f "$disc/tarvelin.exe" ] || fail "no demo disc in $disc; build the mingw tree"
  cp -r "$disc" "$work/disc"
  start_menu "$work/disc/tarvelin.exe"
  local entry description report disc_path
  disc_path=$(winepath -w "$work/disc" 2>/dev/null | tr -d '\r')
  for entry in "1|the guide" "2|the web browser's setup" "3|the web server's setup" "4|the developer kit's setup" \
    "5|the server's setup"; do
    description=${entry#*|}
    highlight "${entry%%|*}"
    xdotool click 1
    report=$(wine "$helpers/readbox.exe" 30 --dismiss --title "$description" 2>/dev/null | tr -d '\r') ||
      fail "no box from the stand-in for $description"
    [ "$(head -n4 <<<"$report")" = "text=Tarvelin demo disc

This entry would start $description.
It was started from: $disc_path" ] || fail "the stand-in for $description says
$report"
  done
  xdotool key Escape
  expect_exit 0
}

case_high_dpi() {
  # The prefix reports 200 % (192 DPI) to the programs started from now on, until the case ends.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
  dpi_restore=yes
  scale=2
  make_disc "$work/disc" 'High DPI\r\n'
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 960 720
  expect_screen 0
  # From entry to entry, each showing only its own highlight.
  local spot index rest
  for spot in "${hot_spots[@]}"; do
    read -r index rest <<<"$spot"
    highlight "$index"
  done
  # The screen pixels of entry 3's first picture column belong to the entry, the ones just left of
  # them to the bare window.
  pointer_to_screen 120 $((171 * 2 + 1))
  expect_screen 3
  pointer_to_screen 119 $((171 * 2 + 1))
  expect_screen 0
  pointer_to_screen 121 $((193 * 2 - 1))
  expect_screen 3
  highlight 8
  xdotool click 1
  expect_exit 0
}

case_spaces() {
  # The disc is drive D:. Entry 1 is a program in a folder with a space, entry 2 a document whose
  # name has a space, and nothing quotes them. A decoy named like entry 1's first word waits in PATH
  # and in the directory the menu starts from: the system's own search would find it first.
  make_disc "$work/disc" 'Spaces\r\nStand In\\standin.exe /quiet "a b"\r\ndocs\\user guide.tvdoc\r\n'
  mkdir -p "$work/disc/Stand In" "$work/disc/docs" "$work/disc/tools" "$work/decoys" "$work/elsewhere"
  cp "$helpers/standin.exe" "$work/disc/Stand In/"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  cp "$helpers/standin.exe" "$work/decoys/Stand.exe"
  cp "$helpers/standin.exe" "$work/elsewhere/Stand.exe"
  echo 'A document' >"$work/disc/docs/user guide.tvdoc"
  drive_link=$WINEPREFIX/dosdevices/d:
  rm -f "$drive_link"
  ln -s "$work/disc" "$drive_link"
  local handler='@="\"D:\\tools\\standin.exe\" \"%1\" %*"'
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CLASSES_ROOT\.tvdoc]' '@="Tarvelin.TestDocument"' '' \
    '[HKEY_CLASSES_ROOT\Tarvelin.TestDocument\shell\open\command]' "$handler" >"$work/disc/types.reg"
  wine regedit /S 'D:\types.reg' >/dev/null 2>&1 || fail "the document type could not be registered"
  WINEPATH=$(winepath -w "$work/decoys" 2>/dev/null | tr -d '\r')
  export WINEPATH
  start_menu 'D:\tarvelin.exe'

  highlight 1
  xdotool click 1
  local record="$work/disc/Stand In/standin-record.txt" decoy
  local deadline=$((SECONDS + 30))
  until [ -s "$record" ] || [ -e "$work/decoys/standin-record.txt" ] || [ -e "$work/elsewhere/standin-record.txt" ]; do
    [ $SECONDS -lt $deadline ] || fail "entry 1 started nothing"
    sleep 0.1
  done
  for decoy in "$work/decoys" "$work/elsewhere"; do
    [ ! -e "$decoy/standin-record.txt" ] || fail "the decoy in $decoy ran: $(cat "$decoy/standin-record.txt")"
  done
  wait_for_starts "$record" 1
  local wanted='D:\
"Stand In\standin.exe" /quiet "a b"
1'
  [ "$(tr -d '\r' <"$record")" = "$wanted" ] || fail "entry 1 started as
$(cat "$record")
wanted
$wanted"

  highlight 2
  xdotool click 1
  wait_for_starts "$work/disc/tools/standin-record.txt" 1
  wanted='D:\
"D:\tools\standin.exe" "D:\docs\user guide.tvdoc"
1'
  [ "$(tr -d '\r' <"$work/disc/tools/standin-record.txt" | sed 's/ *$//')" = "$wanted" ] || fail "the document opened as
$(cat "$work/disc/tools/standin-record.txt")
wanted
$wanted"
  expect_screen 2
  xdotool key Escape
  expect_exit 0
  for decoy in "$work/decoys" "$work/elsewhere"; do
    [ ! -e "$decoy/standin-record.txt" ] || fail "the decoy in $decoy ran: $(cat "$decoy/standin-record.txt")"
  done
}

# shellcheck source=tests/wine/art_cases.sh
source "$(dirname "$0")/art_cases.sh"

"case_$case_name"
echo "PASS ($case_name)"
