#!/usr/bin/env bash
# tarvelin-art and the build's own check: a fitting pair passes, each kind of misfit is refused
# with the file and the fault named.
#   art_tool_test.sh TARVELIN_ART ART_DIR SOURCE_DIR
set -uo pipefail
tool=$1 art=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() {  # expect STATUS PATTERN -- command...
  local status=$1 pattern=$2
  shift 3
  local output actual
  output=$("$@" 2>&1)
  actual=$?
  output=$(tr -s ' \n' ' ' <<<"$output")  # CMake wraps its messages
  if [ "$actual" -ne "$status" ] || ! grep -qE -- "$pattern" <<<"$output"; then
    echo "FAIL: $* -> status $actual (wanted $status), output:"
    echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

# One picture of a broken pair each, made from the real ones.
cp "$art/background.bmp" "$work/palette.bmp"
printf '\x12' | dd of="$work/palette.bmp" bs=1 seek=60 conv=notrunc status=none   # one colour changed
convert "$art/highlight.bmp" -type truecolor BMP3:"$work/truecolour.bmp"
convert "$art/highlight.bmp" -crop 400x300+0+0 +repage BMP3:"$work/small.bmp"
head -c 1000 "$art/highlight.bmp" >"$work/truncated.bmp"
# tiny_rle8 WIDTH HEIGHT FILE: the art's headers and colour table declaring WIDTH x HEIGHT RLE8
# pixels, with nothing but an end-of-bitmap code after them: 1080 bytes.
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
tiny_rle8() {
  { head -c 2 "$art/background.bmp"; printf "$(le32 1080)"; tail -c +7 "$art/background.bmp" | head -c 12
    printf "$(le32 "$1")$(le32 "$2")"; tail -c +27 "$art/background.bmp" | head -c 4; printf "$(le32 1)"
    tail -c +35 "$art/background.bmp" | head -c 1044; printf '\x00\x01'; } >"$3"
}
tiny_rle8 8192 8192 "$work/huge.bmp"
tiny_rle8 480 339 "$work/short.bmp"

expect 0 "^Usage: tarvelin-art" -- "$tool" --help
expect 2 "give two pictures" -- "$tool" "$art/background.bmp"
expect 2 "unknown option --size" -- "$tool" --size "$art/background.bmp" "$art/highlight.bmp"
expect 0 "fit the menu \(480 x 360\)" -- "$tool" --preview "$work/preview.png" "$art/background.bmp" "$art/highlight.bmp"
expect 1 "palette.bmp: its colour table differs" -- "$tool" "$art/highlight.bmp" "$work/palette.bmp"
expect 1 "truecolour.bmp: 24 bits per pixel; the menu needs 8" -- "$tool" "$art/background.bmp" "$work/truecolour.bmp"
expect 1 "small.bmp: 400 x 300, but .*background.bmp is 480 x 360" -- "$tool" "$art/background.bmp" "$work/small.bmp"
expect 1 "small.bmp: hot spot 1 .* outside the 400 x 300 picture" -- "$tool" "$work/small.bmp" "$work/small.bmp"
expect 1 "truncated.bmp: the file is shorter than its headers|truncated.bmp: pixel data" -- "$tool" "$art/background.bmp" "$work/truncated.bmp"
expect 1 "missing.bmp: cannot be read" -- "$tool" "$work/missing.bmp" "$art/highlight.bmp"
expect 1 "huge.bmp: 8192 x 8192 pixels; the menu takes pictures of at most 4096 x 4096" -- "$tool" "$work/huge.bmp" "$work/huge.bmp"
expect 1 "short.bmp: hot spot 8 \\(386, 318, 82 x 22\\) lies outside the 480 x 339 picture" -- "$tool" "$work/short.bmp" "$work/short.bmp"
expect 0 "warning: hot spot 8 looks the same in both pictures" -- "$tool" "$art/background.bmp" "$art/background.bmp"

# The preview: both pictures one above the other, each hot spot outlined in magenta.
expect 0 "^PNG 480x720" -- identify -format "%m %wx%h\n" "$work/preview.png"
pixel() { convert "$work/preview.png" -format "%[hex:u.p{$1,$2}]" info:; }
[ "$(pixel 60 93)" = "FF00FF" ] && [ "$(pixel 386 $((360 + 339)))" = "FF00FF" ] ||
  { echo "FAIL: hot spots are not outlined in the preview"; failures=$((failures + 1)); }
highlight_pixel=$(convert "$art/highlight.bmp" -format "%[hex:u.p{200,100}]" info:)
[ "$(pixel 200 460)" = "$highlight_pixel" ] ||
  { echo "FAIL: the preview's lower half is not the highlight picture"; failures=$((failures + 1)); }
# Every pixel: the two pictures the menu shows, with the outlines drawn by ImageMagick over them.
outlines=() lower=$(identify -format %h "$art/background.bmp")
while read -r _ left top width height; do
  for half in 0 "$lower"; do
    outlines+=(-draw "rectangle $left,$((half + top)) $((left + width - 1)),$((half + top + height - 1))")
  done
done <"${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}"
convert "$art/background.bmp" "$art/highlight.bmp" -append -fill none -stroke '#ff00ff' -strokewidth 1 +antialias \
  "${outlines[@]}" -depth 8 "$work/wanted-preview.png"
differing=$(compare -metric AE "$work/preview.png" "$work/wanted-preview.png" null: 2>&1)
[ "$differing" = 0 ] ||
  { echo "FAIL: the preview differs from the menu's pictures with their outlines: $differing pixels"; failures=$((failures + 1)); }

# The build refuses the same misfits before compiling anything.
configure() {  # configure ART_DIR: configures a scratch build with that artwork
  rm -rf "$work/build"
  cmake -S "$source" -B "$work/build" -DTARVELIN_TESTS=OFF -DTARVELIN_ART_DIR="$1"
}
mkdir -p "$work/palette" "$work/truecolour"
cp "$art/background.bmp" "$art/tarvelin.ico" "$work/palette/"
cp "$work/palette.bmp" "$work/palette/highlight.bmp"
cp "$art/background.bmp" "$art/tarvelin.ico" "$work/truecolour/"
cp "$work/truecolour.bmp" "$work/truecolour/highlight.bmp"
expect 1 "palette/highlight.bmp: its colour table differs" -- configure "$work/palette"
expect 1 "truecolour/highlight.bmp: 24 bits per pixel; the menu needs 8" -- configure "$work/truecolour"
mkdir -p "$work/huge"
cp "$work/huge.bmp" "$work/huge/background.bmp"
cp "$work/huge.bmp" "$work/huge/highlight.bmp"
cp "$art/tarvelin.ico" "$work/huge/"
expect 1 "huge/background.bmp: 8192 x 8192 pixels; the menu takes pictures of at most 4096 x 4096" -- configure "$work/huge"

# The build reads the hot spots as the compiler does: a row of menu/layout.h written unusually
# and moved out of the picture stops it as well.
mkdir -p "$work/src"
tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$work/src" -xf -
layout_row() {  # layout_row OLD NEW: menu/layout.h of the copy with one row replaced
  cp "$source/menu/layout.h" "$work/src/menu/layout.h"
  OLD=$1 NEW=$2 perl -0pi -e 's/\Q$ENV{OLD}\E/$ENV{NEW}/ or die "no such row\n"' "$work/src/menu/layout.h"
}
configure_copy() { rm -rf "$work/build"; cmake -S "$work/src" -B "$work/build" -DTARVELIN_TESTS=OFF -DTARVELIN_ART_DIR="$art"; }
layout_row '{5, 60, 249, 380, 22,' '{5,  60,  340, 380, 22,'
expect 1 "background.bmp: hot spot 5 \\(60, 340, 380 x 22\\) lies outside the 480 x 360 picture" -- configure_copy
layout_row '{8, 386, 318, 82, 22, ""}' '{8, 386, 318,
     120, 22, ""}'
expect 1 "background.bmp: hot spot 8 \\(386, 318, 120 x 22\\) lies outside the 480 x 360 picture" -- configure_copy
cp "$source/menu/layout.h" "$work/src/menu/layout.h"
expect 0 "Generating done" -- configure_copy

[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
