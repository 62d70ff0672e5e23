#!/usr/bin/env bash
# tarvelin-art convert: photo-like pictures become a fitting pair whose colour error is no worse
# than ImageMagick's own 256-colour reduction of both pictures side by side; a single picture gets
# a drawn highlight; every refusal names the file and the fault.
#   convert_test.sh TARVELIN_ART
# with TARVELIN_HOT_SPOTS naming the build's table of hot spots.
set -uo pipefail
tool=$1
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
cd "$work" || exit 1

# The hot spots: width x height + left + top.
hot_spots=${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}
mapfile -t spots < <(awk '{print $4 "x" $5 "+" $2 "+" $3}' "$hot_spots")
[ "${#spots[@]}" -gt 0 ] || { echo "FAIL: no hot spots in $hot_spots"; exit 1; }

# Photo-like pictures, 8 bits a channel as the tool reads every picture: two crossed gradients
# under noise, and the same picture with every hot spot tinted and a noise of its own, as an
# author's highlight picture would be.
convert -size 480x360 -seed 7 gradient:'#103060'-'#e0a040' \
  \( -size 360x480 gradient:red-blue -rotate 90 \) -compose blend -define compose:args=50 -composite \
  -attenuate 0.6 +noise Gaussian -depth 8 back.png
tint=()
for spot in "${spots[@]}"; do tint+=(-region "$spot" -fill yellow -colorize 30 -attenuate 0.3 +noise Gaussian); done
convert back.png -seed 9 "${tint[@]}" -depth 8 high.png

# The pixels of the hot spots, side by side.
pieces() {
  local crops=() spot
  for spot in "${spots[@]}"; do crops+=(\( -clone 0 -crop "$spot" \)); done
  convert "$1" "${crops[@]}" -delete 0 +repage +append +repage "$2"
}
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1; }
# The same over the pixels of all hot spots together, whatever their sizes.
spots_psnr() {
  spot_bytes() {
    local spot
    for spot in "${spots[@]}"; do convert "$1" -crop "$spot" +repage -depth 8 rgb:-; done | od -An -v -tu1 -w1
  }
  paste <(spot_bytes "$1") <(spot_bytes "$2") |
    awk '{d = $1 - $2; sum += d * d; n++} END {printf "%.4f\n", 10 * log(255 * 255 * n / sum) / log(10)}'
}
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
near() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; exit !(d < 0.05 && d > -0.05) }'; }

for dither in on off; do
  flag=() baseline_flag=()
  [ "$dither" = off ] && flag=(--no-dither) baseline_flag=(+dither)
  out=pair-$dither
  printout=$("$tool" convert --out "$out" "${flag[@]}" back.png high.png 2>&1) ||
    { fail "convert, dithering $dither: $printout"; continue; }
  grep -q "fit the menu (480 x 360)" <<<"$printout" || fail "convert, dithering $dither, no fit: $printout"

  # The files the programs decode: 8-bit uncompressed, 1078 bytes of headers, one colour table.
  for picture in background highlight; do
    [ "$(identify -format '%m %wx%h %z %C' "$out/$picture.bmp")" = "BMP3 480x360 8 None" ] ||
      fail "$out/$picture.bmp is $(identify -format '%m %wx%h %z %C' "$out/$picture.bmp")"
    [ "$(stat -c %s "$out/$picture.bmp")" -eq $((1078 + 480 * 360)) ] || fail "$out/$picture.bmp: wrong size"
  done
  cmp -s <(head -c 1078 "$out/background.bmp" | tail -c +55) <(head -c 1078 "$out/highlight.bmp" | tail -c +55) ||
    fail "dithering $dither: the two colour tables differ"

  # The error against the originals, over the pixels that show, against the side-by-side baseline.
  convert back.png high.png +append +repage "${baseline_flag[@]}" -colors 256 -crop 480x360 +repage baseline-%d.png
  ours_back=$(psnr back.png "$out/background.bmp") base_back=$(psnr back.png baseline-0.png)
  ours_high=$(spots_psnr high.png "$out/highlight.bmp") base_high=$(spots_psnr high.png baseline-1.png)
  echo "dithering $dither: background $ours_back dB (baseline $base_back), hot spots $ours_high dB (baseline $base_high)"
  at_least "$ours_back" "$base_back" || fail "dithering $dither: background $ours_back dB, below $base_back"
  at_least "$ours_high" "$base_high" || fail "dithering $dither: hot spots $ours_high dB, below $base_high"
  printed=$(sed -nE 's/.*background ([0-9.]+) dB, highlighted hot spots ([0-9.]+) dB.*/\1 \2/p' <<<"$printout")
  near "${printed% *}" "$ours_back" && near "${printed#* }" "$ours_high" ||
    fail "dithering $dither: printed \"$printed\", measured $ours_back $ours_high"
done

# Without dithering each shown pixel is its original's nearest colour of the table (the closest
# in RGB; ImageMagick's own -remap searches its colour tree only near the pixel, and misses some),
# so the background and the hot spots show exactly the pictures reduced to that table, and
# everywhere else the highlight picture repeats the background.
# nearest ORIGINAL REDUCED TABLE: the pixels of REDUCED that are not a nearest colour of TABLE to
# ORIGINAL's, counted.
nearest() {
  python3 - "$@" <<'EOF'
import subprocess, sys
def rgb(path):
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    return [tuple(data[i:i + 3]) for i in range(0, len(data), 3)]
original, reduced, table = (rgb(path) for path in sys.argv[1:4])
def distance(a, b): return sum((p - q) * (p - q) for p, q in zip(a, b))
best = {}
missed = 0
for pixel, shown in zip(original, reduced):
    if pixel not in best: best[pixel] = min(distance(pixel, colour) for colour in table)
    missed += distance(pixel, shown) != best[pixel]
print(missed)
EOF
}
convert pair-off/background.bmp pair-off/highlight.bmp +append -unique-colors table.png
pieces high.png high-pieces.png
pieces pair-off/highlight.bmp our-pieces.png
missed=$(nearest high-pieces.png our-pieces.png table.png)
[ "$missed" = 0 ] || fail "the hot spots do not show the highlight picture reduced to the table ($missed pixels)"
missed=$(nearest back.png pair-off/background.bmp table.png)
[ "$missed" = 0 ] || fail "the background does not show the background picture reduced to the table ($missed pixels)"
paste=()
for spot in "${spots[@]}"; do
  paste+=(\( pair-off/highlight.bmp -crop "$spot" \) -geometry "+${spot#*+}" -composite)
done
convert pair-off/background.bmp "${paste[@]}" +repage back-with-pieces.png
[ "$(compare -metric AE back-with-pieces.png pair-off/highlight.bmp null: 2>&1)" = 0 ] ||
  fail "the highlight picture differs from the background outside the hot spots"

# One picture: the highlight is drawn, each hot spot brighter inside an outline of the colour.
pixel() { convert "$1" -format "%[hex:u.p{$2,$3}]" info:; }
mean() { convert "$1" -crop "$2" -colorspace Gray -format "%[fx:mean]" info:; }
printout=$("$tool" convert --out drawn --no-dither --highlight-colour '#00ccff' --preview drawn.png back.png 2>&1) ||
  fail "convert with a drawn highlight: $printout"
[ "$(identify -format '%wx%h' drawn.png 2>&1)" = 480x720 ] || fail "no preview of the converted pair"
grep -q "highlight drawn in #00ccff" <<<"$printout" || fail "drawn highlight not reported: $printout"
# The top-left pixel of a hot spot given as width x height + left + top, as "left top".
corner() { tr '+' ' ' <<<"${1#*+}"; }
for spot in "${spots[@]}"; do
  read -r left top <<<"$(corner "$spot")"
  [ "$(pixel drawn/highlight.bmp "$left" "$top")" = 00CCFF ] ||
    fail "hot spot at $left,$top: outline $(pixel drawn/highlight.bmp "$left" "$top"), wanted 00CCFF"
  at_least "$(mean drawn/highlight.bmp "$spot")" "$(mean drawn/background.bmp "$spot")" ||
    fail "hot spot at $left,$top is not brighter in the highlight"
done
"$tool" convert --out drawn-default back.png >/dev/null 2>&1 || fail "convert with the default highlight colour"
read -r left top <<<"$(corner "${spots[0]}")"
[ "$(pixel drawn-default/highlight.bmp "$left" "$top")" = FFCC00 ] ||
  fail "default outline $(pixel drawn-default/highlight.bmp "$left" "$top"), wanted FFCC00"

# Every format an author may have, at any depth, with or without transparency; TIFF is not one.
convert back.png -quality 90 back.jpg
convert back.png -type truecolor BMP3:back24.bmp
convert back.png -depth 16 back16.png
convert back.png back.gif
convert back.png back.tif
convert back.png -alpha set -channel A -evaluate set 50% +channel back-alpha.png
convert back.png -colorspace Gray back-grey.png
for file in back.jpg back24.bmp back16.png back.gif back-alpha.png back-grey.png; do
  matte=()
  [ "$file" = back-alpha.png ] && matte=(--matte black)  # what shows through the transparent parts
  printout=$("$tool" convert --out "from-${file%.*}" "${matte[@]}" "$file" high.png 2>&1) || fail "$file: $printout"
done

# Refusals: the file and the fault named, status 1, nothing written.
convert -size 640x480 xc:white big.png
convert -size 400x300 xc:white small.png
echo "not a picture" >notes.png
refuse() {  # refuse PATTERN PICTURE...
  local pattern=$1 output status
  shift
  output=$("$tool" convert --out refused "$@" 2>&1)
  status=$?
  [ "$status" -eq 1 ] && grep -qE -- "$pattern" <<<"$output" || fail "$* -> status $status: $output"
  [ ! -e refused/background.bmp ] || fail "$* wrote a picture"
}
refuse "^big.png: 640 x 480; the menu needs 480 x 360" big.png
refuse "^small.png: 400 x 300; the menu needs 480 x 360" back.png small.png
refuse "^notes.png: not a picture this tool reads" notes.png high.png
refuse "^back.tif: not a picture this tool reads \(it reads PNG, JPEG, BMP and GIF\)" back.tif
refuse "^missing.png: cannot be read" back.png missing.png
output=$("$tool" convert --highlight-colour 'not-a-colour' back.png 2>&1)
[ $? -eq 2 ] && grep -q "not-a-colour: not a colour" <<<"$output" || fail "a wrong colour: $output"
output=$("$tool" convert 2>&1)
[ $? -eq 2 ] && grep -q "give the background picture" <<<"$output" || fail "convert without pictures: $output"

finish
