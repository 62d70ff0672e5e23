#!/usr/bin/env bash
# tarvelin-art medium: an author's pictures and options.ini become a folder that holds the menu for
# Windows and Linux, beside what the folder held already; the Linux program opens from it under the
# author's title.
#   medium_test.sh TARVELIN_ART LINUX_PROGRAM WINDOWS_PROGRAM
# with TARVELIN_HOT_SPOTS naming the build's table of hot spots. Exits 77 (skipped) when the Windows
# program has not been built, after checking the rest with a stand-in for it.
set -uo pipefail
# shellcheck source=scripts/xvfb.sh
source "$(dirname "$0")/../../scripts/xvfb.sh"
tool=$1 linux=$2 windows=$3
# Entry 1 as ImageMagick's geometry (width x height + left + top), and its middle.
hot_spots=${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}
read -r _ left top width height < <(awk '$1 == 1' "$hot_spots")
entry1=${width}x${height}+${left}+${top}
entry1_x=$((left + width / 2)) entry1_y=$((top + height / 2))
work=$(mktemp -d)
menu_pid=
cleanup() {
  [ -z "$menu_pid" ] || { kill "$menu_pid" 2>/dev/null && wait "$menu_pid" 2>/dev/null; }
  xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A medium folder that already holds the author's own setup program.
mkdir -p disc/setup
echo "the author's setup" >disc/setup/setup.exe
fixtures=$(cd "$(dirname "$0")/fixtures" && pwd)
cp "$fixtures/medium.ini" options.ini
convert -size 480x360 -seed 3 plasma:steelblue-navy -depth 8 back.png
convert back.png -region "$entry1" -fill white -colorize 40 -depth 8 high.png
convert -size 100x100 xc:red small.png
# Unless told otherwise the tool takes the programs the builds made.
if [ -f "$windows" ]; then
  output=$("$tool" medium defaults --options options.ini 2>&1) || fail "medium with the built programs: $output"
  cmp -s defaults/.tarvelin "$linux" && cmp -s defaults/tarvelin.exe "$windows" ||
    fail "the medium does not hold the programs the builds made"
else
  # A stand-in tarvelin.exe, the Windows build not being there: the rest is about the layout.
  echo "note: no $windows; a stand-in takes its place"
  printf 'MZ stand-in' >stand-in.exe
  unbuilt=$windows
  windows=$work/stand-in.exe
fi

output=$("$tool" medium disc --options options.ini --background back.png --highlight high.png \
  --linux "$linux" --windows "$windows" 2>&1) || fail "medium with two pictures: $output"
grep -q "colour error (PSNR" <<<"$output" || fail "no colour error printed: $output"
grep -q "fit the menu (480 x 360)" <<<"$output" || fail "the pair is not checked: $output"
actual=$(cd disc && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
texts=$(cd "$(dirname "$0")/../../packaging" && printf '%s\n' licenses/*.txt licenses/Tarvelin.txt | LC_ALL=C sort | tr '\n' ' ')
wanted=".tarvelin LICENSES.txt autorun.inf autorun.sh background.bmp highlight.bmp ${texts}options.ini setup/setup.exe tarvelin.exe "
[ "$actual" = "$wanted" ] || fail "the medium holds: $actual; wanted: $wanted"
cmp -s disc/.tarvelin "$linux" && cmp -s disc/tarvelin.exe "$windows" && cmp -s disc/options.ini options.ini ||
  fail "the programs or options.ini are not copies of the ones given"
[ -x disc/.tarvelin ] && [ -x disc/autorun.sh ] || fail ".tarvelin and autorun.sh are not executable"
# What each system's user sees at the medium's root: one thing to open.
shown=$(bash "$(dirname "$0")/shown_names.sh" disc)
grep -qx 'Windows programs: tarvelin' <<<"$shown" || fail "a Windows user sees: $shown"
grep -qx 'Windows names shown twice: ' <<<"$shown" || fail "a Windows user sees: $shown"
grep -qx 'Linux programs: autorun.sh' <<<"$shown" || fail "a Linux user sees: $shown"
# Laid out again over a medium of the layout before, the folder keeps one program for each system.
cp "$linux" disc/tarvelin
"$tool" medium disc --linux "$linux" --windows "$windows" >/dev/null 2>&1 || fail "medium over an earlier layout"
[ ! -e disc/tarvelin ] || fail "the Linux program of an earlier layout stays as disc/tarvelin"
[ "$(tr -d '\r' <disc/autorun.inf)" = "[autorun]
open=tarvelin.exe
icon=tarvelin.exe,0
action=Open the menu
label=My Product 2.0" ] || fail "autorun.inf: $(cat disc/autorun.inf)"
grep -q '^exec /lib64/ld-linux-x86-64.so.2 ./.tarvelin$' disc/autorun.sh || fail "autorun.sh does not start the menu: $(cat disc/autorun.sh)"

# One picture: the highlight is drawn. No pictures: the folder keeps the pair it holds.
output=$("$tool" medium disc --background back.png --linux "$linux" --windows "$windows" 2>&1) ||
  fail "medium with one picture: $output"
grep -q "highlight drawn in #ffcc00" <<<"$output" || fail "no drawn highlight: $output"
output=$("$tool" medium disc --linux "$linux" --windows "$windows" 2>&1) || fail "medium again: $output"
grep -q "fit the menu" <<<"$output" || fail "the pair already there is not checked: $output"
output=$("$tool" medium plain --options options.ini --linux "$linux" --windows "$windows" 2>&1) ||
  fail "medium without pictures: $output"
grep -q "shows its built-in ones" <<<"$output" && [ ! -e plain/background.bmp ] ||
  fail "medium without pictures: $output"

# A title outside ASCII labels the drive: autorun.inf is then UTF-16 with its byte-order mark, which
# Windows reads whatever its code page.
cp "$fixtures/umlaut.ini" umlaut.ini
"$tool" medium umlaut --options umlaut.ini --linux "$linux" --windows "$windows" >/dev/null 2>&1 ||
  fail "medium with a non-ASCII title"
title=$(head -n 1 umlaut.ini | tr -d '\r')
[ "$(head -c 2 umlaut/autorun.inf | od -An -tx1 | tr -d ' ')" = fffe ] ||
  fail "autorun.inf for a non-ASCII title has no UTF-16 byte-order mark"
inf=$(iconv -f UTF-16 -t UTF-8 umlaut/autorun.inf | tr -d '\r')
grep -qxF "label=$title" <<<"$inf" && grep -qx 'open=tarvelin.exe' <<<"$inf" ||
  fail "autorun.inf for the title $title: $inf"
LC_ALL=C grep -q '[^[:print:][:space:]]' disc/autorun.inf && fail "autorun.inf of an ASCII title is not ASCII"

# --icon: the drive's icon from a picture of any size, at each size Windows shows, with alpha: a
# wide red picture fitted into the square, centred, transparent above and below.
convert -size 300x150 xc:red icon.png
output=$("$tool" medium iconic --options options.ini --icon icon.png --linux "$linux" --windows "$windows" 2>&1) ||
  fail "medium --icon: $output"
sizes=$(identify -format '%w x %h\n' iconic/autorun.ico 2>/dev/null | sort -n | tr '\n' ' ')
[ "$sizes" = "16 x 16 24 x 24 32 x 32 48 x 48 64 x 64 256 x 256 " ] || fail "autorun.ico holds: $sizes"
tr -d '\r' <iconic/autorun.inf | grep -qx 'icon=autorun.ico' || fail "autorun.inf names no autorun.ico: $(cat iconic/autorun.inf)"
middle=$(convert 'iconic/autorun.ico[5]' -format '%[hex:u.p{128,128}]' info: 2>/dev/null)
corner=$(convert 'iconic/autorun.ico[5]' -alpha extract -format '%[fx:u.p{5,5}]' info: 2>/dev/null)
[ "$middle" = FF0000FF ] && [ "$corner" = 0 ] || fail "the 256-pixel icon: $middle in the middle, alpha $corner at the corner"

# Refusals: the file and the fault named.
refuse() {  # refuse STATUS PATTERN ARGUMENT...
  local status=$1 pattern=$2 output actual
  shift 2
  output=$("$tool" medium "$@" 2>&1)
  actual=$?
  [ "$actual" -eq "$status" ] && grep -qE -- "$pattern" <<<"$output" || fail "medium $* -> $actual: $output"
}
refuse 1 "missing.exe: cannot be read \(No such file or directory; build it: cmake --preset mingw" \
  refused --options options.ini --linux "$linux" --windows "$work/missing.exe"
refuse 1 "refused2/options.ini: missing; give one with --options" refused2 --linux "$linux" --windows "$windows"
refuse 1 "^small.png: 100 x 100; the menu needs 480 x 360" \
  refused3 --options options.ini --background small.png --linux "$linux" --windows "$windows"
refuse 2 "--highlight needs --background" refused4 --highlight high.png
refuse 2 "give the medium's folder" --options options.ini

# The medium opens on Linux under the author's title.
xvfb_start 1024x768x24 /dev/null || fail "no X display to open the medium on"
disc/autorun.sh &
menu_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^My Product 2\.0$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the menu on the medium did not open as \"My Product 2.0\""

# It shows the converted pair beside it, pixel for pixel: at rest, and with entry 1 highlighted.
# Differing pixels of |shot| against the same rectangle of |picture|, cropped to WxH+X+Y.
differing() {
  convert "$1" -crop "$3" +repage shown.png && convert "$2" -crop "$3" +repage wanted.png &&
    compare -metric AE shown.png wanted.png null: 2>&1 | cut -d' ' -f1
}
# Waits for the window's pixels in |rect| to equal |picture|'s; prints the last count.
shows() {
  local picture=$1 rect=$2 count=
  for _ in $(seq 50); do
    import -window "$window" shot.png 2>/dev/null &&
      count=$(differing shot.png "$picture" "$rect") && [ "$count" = 0 ] && break
    sleep 0.1
  done
  echo "${count:-no screenshot}"
}
if [ -n "$window" ]; then
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # Onto the bare window: the screen's pointer starts in the middle, where an entry may lie.
  xdotool mousemove $((X + 5)) $((Y + 5))
  at_rest=$(shows disc/background.bmp 480x360+0+0)
  [ "$at_rest" = 0 ] || fail "the menu does not show the converted background.bmp: $at_rest pixels differ"
  xdotool mousemove $((X + entry1_x)) $((Y + entry1_y))
  lit=$(shows disc/highlight.bmp "$entry1")
  [ "$lit" = 0 ] || fail "entry 1 does not show the converted highlight.bmp: $lit pixels differ"
fi

if [ "$failures" -eq 0 ] && [ -n "${unbuilt:-}" ]; then
  echo "SKIP: the medium with the programs the builds made: no $unbuilt"
  exit 77
fi
[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
