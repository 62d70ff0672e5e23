# shellcheck shell=bash
# Shared by the end-to-end cases of tarvelin.exe under Wine (sourced, not run), which run in the
# session wine_session.sh started. Each script holds the cases of one concern and is run as
#   SCRIPT CASE SESSION_DIR WIN32_BUILD_DIR ART_DIR
# with TARVELIN_HOT_SPOTS naming the build's table of hot spots; it ends with run_case.
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
for helper in standin.exe readbox.exe cover.exe moveto.exe resolution.exe loadprobe.exe planted.dll nowindow_hook.exe nowindow.dll; do
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

# The files the cases put on their discs, byte for byte.
fixtures=$(cd "$(dirname "${BASH_SOURCE[0]}")/fixtures" && pwd)

# make_disc DIR FIXTURE: the program in DIR, with the fixture of that name as its options.ini.
make_disc() {
  mkdir -p "$1"
  cp "$build/tarvelin.exe" "$1/"
  cp "$fixtures/$2" "$1/options.ini"
}

# disc_is_drive_d DIR: DIR is the prefix's drive D: until the case ends.
disc_is_drive_d() {
  drive_link=$WINEPREFIX/dosdevices/d:
  rm -f "$drive_link"
  ln -s "$1" "$drive_link"
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

# hot_spot INDEX: "left top width height" of a hot spot.
hot_spot() {
  local spot index rest
  for spot in "${hot_spots[@]}"; do
    read -r index rest <<<"$spot"
    [ "$index" = "$1" ] && { echo "$rest"; return; }
  done
  fail "no hot spot $1"
}

# expected_picture INDEX: the background with hot spot INDEX shown from the highlight picture
# (0: the plain background), each pixel a scale x scale square, as a file name.
expected_picture() {
  # Uncompressed files: a screenshot is taken and compared many times a case.
  local file="$work/expected-$1-x$scale.ppm"
  if [ ! -f "$file" ]; then
    if [ "$1" = 0 ]; then
      convert "$art/background.bmp" -scale "$((scale * 100))%" "$file"
    else
      local left top width height
      read -r left top width height <<<"$(hot_spot "$1")"
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
  local left top width height
  read -r left top width height <<<"$(hot_spot "$1")"
  pointer_to $((left + width / 2)) $((top + height / 2))
}

# highlight INDEX: points at a hot spot and waits for its highlight.
highlight() {
  pointer_to_spot "$1"
  expect_screen "$1"
}

# gap_below INDEX: "x y" of the middle of the bare gap between entries INDEX and INDEX + 1.
gap_below() {
  local left top width height next_top
  read -r left top width height <<<"$(hot_spot "$1")"
  read -r _ next_top _ <<<"$(hot_spot $(($1 + 1)))"
  echo $((left + width / 2)) $(((top + height + next_top) / 2))
}

# A picture pixel of the bare window, in the gap between entries 1 and 2.
read -r bare_x bare_y <<<"$(gap_below 1)"

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

# every_hot_spot: the window at rest, then each hot spot highlighted.
every_hot_spot() {
  expect_screen 0
  local spot index rest
  for spot in "${hot_spots[@]}"; do
    read -r index rest <<<"$spot"
    highlight "$index"
  done
}

# start_at_dpi DPI FIXTURE: the menu on a disc of its own, started while the prefix reports
# DPI dots per inch (96 again when the case ends); it shows the picture doubled, 960 x 720, centred.
start_at_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  dpi_restore=yes
  scale=2
  make_disc "$work/disc" "$2"
  start_menu "$work/disc/tarvelin.exe"
  expect_geometry 960 720
}

# --- Messages and programs ---------------------------------------------------------------------

# read_message_box: the text of the "Tarvelin" box (readbox.exe's report), which is then dismissed.
read_message_box() {
  wine "$helpers/readbox.exe" 30 --dismiss 2>/dev/null | tr -d '\r' ||
    fail "no message box titled \"Tarvelin\" that went on OK"
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

# wait_for_starts RECORD N: the stand-in's RECORD holds N starts (three lines each).
wait_for_starts() {
  local deadline=$((SECONDS + 30))
  until [ "$({ wc -l <"$1"; } 2>/dev/null || echo 0)" -ge $(($2 * 3)) ]; do
    [ $SECONDS -lt $deadline ] || fail "the stand-in did not start $2 time(s): $(cat "$1" 2>/dev/null)"
    sleep 0.1
  done
}

# run_case: runs the case named on the command line, which the sourcing script defines.
run_case() {
  "case_$case_name"
  echo "PASS ($case_name)"
}
