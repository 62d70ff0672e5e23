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

expect 0 "^Usage: tarvelin-art" -- "$tool" --help
expect 2 "give two pictures" -- "$tool" "$art/background.bmp"
expect 2 "unknown option --size" -- "$tool" --size "$art/background.bmp" "$art/highlight.bmp"
expect 0 "fit the menu \(480 x 360\)" -- "$tool" --preview "$work/preview.png" "$art/background.bmp" "$art/highlight.bmp"
expect 1 "palette.bmp: its colour table differs" -- "$tool" "$art/highlight.bmp" "$work/palette.bmp"
expect 1 "truecolour.bmp: not 8 bits per pixel" -- "$tool" "$art/background.bmp" "$work/truecolour.bmp"
expect 1 "small.bmp: 400 x 300, but .*background.bmp is 480 x 360" -- "$tool" "$art/background.bmp" "$work/small.bmp"
expect 1 "small.bmp: hot spot 1 .* outside the 400 x 300 picture" -- "$tool" "$work/small.bmp" "$work/small.bmp"
expect 1 "truncated.bmp: the file is shorter than its headers|truncated.bmp: pixel data" -- "$tool" "$art/background.bmp" "$work/truncated.bmp"
expect 1 "missing.bmp: cannot be read" -- "$tool" "$work/missing.bmp" "$art/highlight.bmp"
expect 0 "warning: hot spot 8 looks the same in both pictures" -- "$tool" "$art/background.bmp" "$art/background.bmp"

# The preview: both pictures one above the other, each hot spot outlined in magenta.
expect 0 "^PNG 480x720" -- identify -format "%m %wx%h\n" "$work/preview.png"
pixel() { convert "$work/preview.png" -format "%[hex:u.p{$1,$2}]" info:; }
[ "$(pixel 60 93)" = "FF00FF" ] && [ "$(pixel 386 $((360 + 339)))" = "FF00FF" ] ||
  { echo "FAIL: hot spots are not outlined in the preview"; failures=$((failures + 1)); }
highlight_pixel=$(convert "$art/highlight.bmp" -format "%[hex:u.p{200,100}]" info:)
[ "$(pixel 200 460)" = "$highlight_pixel" ] ||
  { echo "FAIL: the preview's lower half is not the highlight picture"; failures=$((failures + 1)); }

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

[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
