#!/usr/bin/env bash
# tarvelin-art convert reads every kind of file its help names, each to the pixels ImageMagick
# decodes from it: PNG of every depth and colour type, JPEG turned upright by its EXIF orientation
# and in CMYK, Windows bitmaps of every depth and compression (laid out by make_bitmaps.py), GIF.
# A picture of at most 256 colours, given as both background and highlight, comes out exact, so
# that any difference is the reader's; JPEG, with more colours than the table holds, is compared by
# its colour error.
#   formats_test.sh TARVELIN_ART
set -uo pipefail
tool=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/tools/check_lib.sh
source "$here/check_lib.sh"
cd "$work" || exit 1
matte='#336699'

# compare_rgb A.rgb B.rgb MAX_DIFF MIN_PSNR: the largest channel difference and the PSNR, or a fault.
compare_rgb() {
  python3 - "$@" <<'PY'
import math, sys
a, b = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
if len(a) != len(b):
    sys.exit("%d bytes against %d" % (len(a), len(b)))
largest = max((abs(x - y) for x, y in zip(a, b)), default=0)
error = sum((x - y) ** 2 for x, y in zip(a, b)) / len(a)
psnr = 99.0 if error == 0 else 10 * math.log10(255 ** 2 / error)
if largest > int(sys.argv[3]) or psnr < float(sys.argv[4]):
    sys.exit("differs by up to %d, PSNR %.2f dB" % (largest, psnr))
PY
}

# read_as FILE MAX_DIFF MIN_PSNR [IM_OPTION...]: the tool's background.bmp from FILE against
# ImageMagick's decoding of FILE (with IM_OPTIONs: -auto-orient, the matte under transparency).
read_as() {
  local file=$1 max=$2 psnr=$3 out=out-${1%.*} printout
  shift 3
  printout=$("$tool" convert --out "$out" --no-dither --matte "$matte" "$file" "$file" 2>&1) ||
    { fail "$file: $printout"; return; }
  # (sRGB named, or ImageMagick takes a grey picture's values as linear as it flattens it)
  convert "$file" "$@" -colorspace sRGB -background "$matte" -flatten -depth 8 rgb:expected.rgb &&
    convert "$out/background.bmp" -depth 8 rgb:actual.rgb || { fail "$file: ImageMagick cannot read it"; return; }
  local verdict
  verdict=$(compare_rgb actual.rgb expected.rgb "$max" "$psnr" 2>&1) || fail "$file: $verdict"
}

size=(-size 480x360)
convert "${size[@]}" -seed 3 plasma:fractal -blur 0x2 +dither -colors 200 -depth 8 colours.png
convert colours.png +dither -colors 16 colours16.png
convert colours.png +dither -colors 50 colours50.png
convert colours.png -colorspace Gray -depth 8 grey.png
# Alpha in four steps, across the picture.
convert "${size[@]}" gradient:white-black -rotate 90 -resize 480x360! -posterize 4 -depth 8 alpha.png

# PNG: every bit depth of grey, palettes of 4 and 200 colours, RGB in 8 and 16 bits, grey and RGB
# with alpha; each checked to be stored as named (bit depth, colour type).
png() { local name=$1 stored=$2; shift 2
  convert "$@" "$name"
  [ "$(identify -format '%[png:IHDR.bit-depth-orig],%[png:IHDR.color-type-orig]' "$name")" = "$stored" ] ||
    fail "$name is not stored as $stored (bit depth, colour type)"
  read_as "$name" 1 50
}
grey() { echo -define png:color-type=0 -define png:bit-depth="$1"; }
# shellcheck disable=SC2046
{ png png-grey1.png 1,0 grey.png -threshold 50% $(grey 1)
  png png-grey2.png 2,0 grey.png -posterize 4 $(grey 2)
  png png-grey4.png 4,0 grey.png -posterize 16 $(grey 4)
  png png-grey8.png 8,0 grey.png $(grey 8)
  png png-grey16.png 16,0 grey.png -depth 16 $(grey 16); }
png png-palette-few.png 4,3 colours16.png +dither -colors 4 -type palette
png png-palette.png 8,3 colours.png -type palette
png png-rgb8.png 8,2 colours.png -define png:color-type=2
png png-rgb16.png 16,2 colours.png -depth 16 -define png:color-type=2 -define png:bit-depth=16
png png-grey-alpha.png 8,4 grey.png -posterize 16 alpha.png -alpha off -compose CopyOpacity -composite \
  -define png:color-type=4
png png-rgba.png 8,6 colours50.png alpha.png -alpha off -compose CopyOpacity -composite -define png:color-type=6

# JPEG: stored on its side with the EXIF orientation 6 (turn a quarter clockwise), and in CMYK.
convert colours.png -rotate 270 -quality 95 stored-on-its-side.jpg
{ head -c 2 stored-on-its-side.jpg
  printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00*\x00\x00\x00\x08\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00\x00\x00\x00\x00'
  tail -c +3 stored-on-its-side.jpg; } >jpeg-orientation-6.jpg
read_as jpeg-orientation-6.jpg 255 30 -auto-orient
convert colours.png -colorspace CMYK -quality 95 jpeg-cmyk.jpg
read_as jpeg-cmyk.jpg 255 30 -colorspace sRGB

# Windows bitmaps: 1, 4 and 8 bits, RLE4 and RLE8, 16 bits (5-5-5 and 5-6-5 masks), 24 and 32
# bits, top row first, a version 5 header with an alpha mask.
convert grey.png -threshold 50% -depth 8 -alpha set rgba:two.rgba
convert colours16.png -depth 8 -alpha set rgba:sixteen.rgba
convert colours50.png alpha.png -alpha off -compose CopyOpacity -composite -depth 8 rgba:many.rgba
made=$(python3 "$here/make_bitmaps.py" 480 360 two.rgba bmp-two && python3 "$here/make_bitmaps.py" 480 360 sixteen.rgba bmp-sixteen &&
  python3 "$here/make_bitmaps.py" 480 360 many.rgba bmp-many) || fail "make_bitmaps.py: $made"
for kind in 1 4 8 8-top-down rle4 rle8 16-555 16-565 24 24-top-down 32 32-alpha; do
  ls bmp-*-"$kind".bmp >/dev/null 2>&1 || fail "no $kind-bit bitmap made"
done
for file in bmp-*.bmp; do
  case $file in
    *-16-*) read_as "$file" 4 40 ;;  # 5 or 6 bits to a colour, scaled a little differently
    *) read_as "$file" 1 50 ;;
  esac
done

# GIF, plain and interlaced, and the first picture of an animation.
convert colours.png gif-plain.gif
convert colours.png -interlace GIF gif-interlaced.gif
convert colours.png colours16.png gif-animation.gif
for file in gif-*.gif; do read_as "$file" 0 99 '-delete' '1--1'; done

finish
