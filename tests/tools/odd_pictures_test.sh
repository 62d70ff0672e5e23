#!/usr/bin/env bash
# tarvelin-art convert on the pictures an author may have that are not plain: each is refused with
# the file and the fault named, or used the way every picture viewer shows it, and never crashes
# the tool.
#   odd_pictures_test.sh TARVELIN_ART
set -uo pipefail
tool=$1
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
cd "$work" || exit 1

# convert_as STATUS PATTERN OUT -- ARG...: the tool's status, and its output matching PATTERN.
convert_as() {
  local status=$1 pattern=$2 out=$3 output actual
  shift 4
  rm -rf "$out"
  output=$("$tool" convert --out "$out" "$@" 2>&1)
  actual=$?
  [ "$actual" -eq "$status" ] && grep -qE -- "$pattern" <<<"$output" ||
    fail "convert $* -> status $actual (wanted $status, \"$pattern\"): $output"
  if [ "$status" -ne 0 ] && [ -e "$out/background.bmp" ]; then fail "convert $* wrote a picture"; fi
}
# red_at PICTURE X Y: the red channel, 0 to 255, of a pixel.
red_at() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)]" info:; }

# A noisy picture compresses badly, so that a file cut in half has lost rows, not just its end.
convert -size 480x360 -seed 5 xc: +noise Random -depth 8 noisy.png
convert noisy.png -quality 92 noisy.jpg
head -c $(($(stat -c %s noisy.png) / 2)) noisy.png >cut.png
head -c $(($(stat -c %s noisy.jpg) / 2)) noisy.jpg >cut.jpg
convert noisy.png noisy.gif
head -c $(($(stat -c %s noisy.gif) / 2)) noisy.gif >cut.gif
convert_as 1 "^cut.png: a damaged or cut-off PNG file, pixels are missing" out -- cut.png
convert_as 1 "^cut.png: a damaged or cut-off PNG file, pixels are missing" out -- noisy.png cut.png
convert_as 1 "^cut.jpg: a damaged or cut-off JPEG file, pixels are missing" out -- cut.jpg
convert_as 1 "^cut.gif: a damaged or cut-off GIF file, pixels are missing" out -- cut.gif

# exif ORIENTATION IN.jpg OUT.jpg: IN with an EXIF block that gives only the orientation.
exif() {
  { head -c 2 "$2"
    printf '\xff\xe1\x00\x22Exif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00'
    printf "\\x0$1\\x00\\x00\\x00\\x00\\x00\\x00\\x00"
    tail -c +3 "$2"; } >"$3"
}
# White at the top as a viewer shows it; stored upside down, or turned a quarter (portrait).
convert -size 480x360 gradient:white-black -rotate 180 -quality 95 stored-upside-down.jpg
exif 3 stored-upside-down.jpg upside-down.jpg
convert -size 480x360 gradient:white-black -rotate 270 -quality 95 stored-portrait.jpg
exif 6 stored-portrait.jpg portrait.jpg
for picture in upside-down portrait; do
  convert_as 0 "fit the menu \(480 x 360\)" "$picture" -- --no-dither "$picture.jpg"
  top=$(red_at "$picture/background.bmp" 240 2) bottom=$(red_at "$picture/background.bmp" 240 357)
  [ "${top:-0}" -gt 240 ] && [ "${bottom:-255}" -lt 15 ] ||
    fail "$picture.jpg: the top row is $top, the bottom row $bottom; wanted white above black"
done

# Transparency: refused with the pixels named, unless --matte says what shows through.
convert -size 480x360 xc:'#336699' -alpha set -region 20x10+100+50 -channel A -evaluate set 0 +channel \
  -region 20x10+100+50 -fill red -colorize 100 +region see-through.png
convert_as 1 "^see-through.png: 200 pixels are transparent or partly so, from \(100, 50\) to \(119, 59\).*--matte" \
  out -- see-through.png
convert_as 0 "fit the menu" matte -- --no-dither --matte white see-through.png
[ "$(red_at matte/background.bmp 110 55)" = 255 ] && [ "$(red_at matte/background.bmp 10 10)" = 51 ] ||
  fail "with --matte white, the transparent pixels are $(red_at matte/background.bmp 110 55), the rest $(red_at matte/background.bmp 10 10)"
# The same colour as the web writes it: named, short, as rgb().
for colour in white '#fff' 'rgb(255, 255, 255)' WHITE; do
  convert_as 0 "fit the menu" matte -- --no-dither --matte "$colour" see-through.png
  [ "$(red_at matte/background.bmp 110 55)" = 255 ] || fail "--matte $colour: not white"
done
output=$("$tool" convert --matte not-a-colour see-through.png 2>&1)
[ $? -eq 2 ] && grep -q "not-a-colour: not a colour" <<<"$output" || fail "a wrong --matte: $output"

# Sizes the decoder will not open are still named; what is not a picture is said to be so.
# A PNG that declares 20000 x 20000 pixels, written byte by byte: ImageMagick will not make one.
bytes() { printf "$(sed 's/../\\x&/g' <<<"$1")"; }  # bytes HEX: the bytes that HEX spells
crc32() {  # crc32 HEX: the CRC-32 of the bytes, in hex, as PNG chunks end with
  local crc=$((0xFFFFFFFF)) at bit
  for ((at = 0; at < ${#1}; at += 2)); do
    crc=$((crc ^ 0x${1:at:2}))
    for ((bit = 0; bit < 8; bit++)); do crc=$(((crc >> 1) ^ (0xEDB88320 & -(crc & 1)))); done
  done
  printf '%08x' $((crc ^ 0xFFFFFFFF))
}
ihdr=49484452$(printf '%08x%08x' 20000 20000)0802000000  # type, width, height, 8-bit RGB
idat=49444154789c6360a03d000000640001                      # type, 100 zero bytes compressed
bytes "89504e470d0a1a0a0000000d${ihdr}$(crc32 "$ihdr")0000000c${idat}$(crc32 "$idat")0000000049454e44ae426082" >huge.png
convert_as 1 "^huge.png: 20000 x 20000; the menu needs 480 x 360" out -- huge.png
echo "a note, not a picture" >notes.png
convert_as 1 "^notes.png: not a picture this tool reads \(it reads PNG, JPEG, BMP and GIF\)" out -- notes.png
cat >drawing.svg <<'SVG'
<?xml version="1.0"?>
<svg xmlns="http://www.w3.org/2000/svg" width="480" height="360"><rect width="480" height="360" fill="red"/></svg>
SVG
convert_as 1 "^drawing.svg: a vector drawing, which this tool does not draw; export it as a 480 x 360 PNG" out -- drawing.svg

# An animation: its first frame, and a word that the rest is not shown.
convert -size 480x360 xc:red xc:blue -loop 0 animation.gif
convert_as 0 "warning: animation.gif: 2 pictures in one file \(an animation\?\); the menu shows the first" animation \
  -- animation.gif
[ "$(red_at animation/background.bmp 10 10)" = 255 ] || fail "animation.gif: not its first frame"

finish
