#!/usr/bin/env bash
# tarvelin-art convert reduces a pair at least as well as pngquant reduces the pixels that show
# (the background and the highlight's hot-spot pieces, laid out as one picture), dithered and not:
# mean PSNR and mean SSIM at least pngquant's, and no picture more than 0.5 dB below it. A pair
# that already shares a table of at most 256 colours comes through exactly, and converting the
# tool's own output again gives the very same files.
#   quality_test.sh TARVELIN_ART
# with TARVELIN_HOT_SPOTS naming the build's table of hot spots.
set -uo pipefail
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
quality() { python3 "$here/shown_quality.py" "$@"; }
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
cd "$work" || exit 1
command -v pngquant >/dev/null || { echo "FAIL: pngquant is not installed (scripts/install-deps.sh test)"; exit 1; }

hot_spots=${TARVELIN_HOT_SPOTS:?must name the table of hot spots that the build writes}
mapfile -t spots < <(awk '{print $4 "x" $5 "+" $2 "+" $3}' "$hot_spots")
[ "${#spots[@]}" -gt 0 ] || { echo "FAIL: no hot spots in $hot_spots"; exit 1; }

# The backgrounds: photo-like (plasma and blurred noise), drawn flat art, a many-coloured logo,
# text on a background, a smooth gradient.
make=(-size 480x360)
convert "${make[@]}" -seed 3 plasma:fractal -blur 0x1.5 -depth 8 photo-plasma.png
convert "${make[@]}" -seed 5 plasma:'#204060'-'#e0c080' -blur 0x3 -attenuate 0.4 +noise Gaussian -depth 8 photo-grain.png
convert "${make[@]}" xc: -seed 11 +noise Random -channel RGB -blur 0x12 -auto-level +channel -depth 8 photo-blurred-noise.png
convert "${make[@]}" -seed 7 gradient:'#103060'-'#e0a040' \( -size 360x480 gradient:red-blue -rotate 90 \) \
  -compose blend -define compose:args=50 -composite -attenuate 0.6 +noise Gaussian -depth 8 photo-crossed.png
convert "${make[@]}" xc:'#f4e8c8' -fill '#2a6e3c' -draw 'polygon 0,360 140,180 260,300 380,140 480,260 480,360' \
  -fill '#d04a2a' -draw 'circle 380,70 380,110' -fill '#3a5ab0' -draw 'rectangle 20,20 200,120' \
  -stroke '#202020' -strokewidth 3 -fill none -draw 'ellipse 240,200 120,60 0,360' -depth 8 drawn.png
logo=()
for i in $(seq 0 47); do
  logo+=(-fill "hsl($((i * 360 / 48)),$((60 + i % 3 * 15))%,$((35 + i % 4 * 10))%)"
    -draw "circle $((40 + i % 8 * 57)),$((40 + i / 8 * 56)) $((40 + i % 8 * 57 + 24 + i % 5)),$((40 + i / 8 * 56))")
done
convert "${make[@]}" radial-gradient:white-'#c0c8d0' "${logo[@]}" -depth 8 logo.png
convert "${make[@]}" gradient:'#fdfbf0'-'#d8e4f0' -font DejaVu-Sans -pointsize 17 -fill '#1a1a40' \
  -annotate +20+40 'Install the program' -annotate +20+80 'Browse this disc' -pointsize 13 \
  -annotate +20+120 'Read the notes before you start: they say what the program needs' \
  -fill '#a02020' -pointsize 24 -annotate +20+200 'Welcome' -depth 8 text.png
convert "${make[@]}" gradient:'#1a2a6c'-'#fdbb2d' -depth 8 gradient.png
pictures=(photo-plasma photo-grain photo-blurred-noise photo-crossed drawn logo text gradient)

# Each highlight: its background with every hot spot brightened, tinted and outlined, as an author
# draws it.
for picture in "${pictures[@]}"; do
  lit=()
  for spot in "${spots[@]}"; do lit+=(-region "$spot" -modulate 125,110 -fill '#ffcc00' -colorize 30); done
  convert "$picture.png" "${lit[@]}" +region -depth 8 "$picture-lit.png"
done

at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
printf '%-20s %-9s %-32s %-32s\n' picture dithering "ours: back/pieces/all dB, SSIM" "pngquant: back/pieces/all dB, SSIM"
for dither in on off; do
  flag=() pngquant_flag=()
  [ "$dither" = off ] && flag=(--no-dither) pngquant_flag=(--nofs)
  ours_sum=() theirs_sum=()
  for picture in "${pictures[@]}"; do
    out=$picture-$dither
    printout=$("$tool" convert --out "$out" "${flag[@]}" "$picture.png" "$picture-lit.png" 2>&1) ||
      { fail "$picture, dithering $dither: $printout"; continue; }
    ours=$(quality measure "$hot_spots" "$picture.png" "$picture-lit.png" "$out/background.bmp" "$out/highlight.bmp")
    quality compose "$hot_spots" "$picture.png" "$picture-lit.png" shown.ppm && convert shown.ppm shown.png &&
      pngquant --force --speed 4 "${pngquant_flag[@]}" --output shown-reduced.png 256 shown.png ||
      { fail "$picture: pngquant failed"; continue; }
    theirs=$(quality measure-composed "$hot_spots" "$picture.png" "$picture-lit.png" shown-reduced.png)
    read -r ob op oa os <<<"$ours"
    read -r tb tp ta ts <<<"$theirs"
    printf '%-20s %-9s %-32s %-32s\n' "$picture" "$dither" "$ob/$op/$oa $os" "$tb/$tp/$ta $ts"
    ours_sum+=("$oa $os") theirs_sum+=("$ta $ts")
    at_least "$oa" "$(awk -v t="$ta" 'BEGIN { print t - 0.5 }')" ||
      fail "$picture, dithering $dither: $oa dB, more than 0.5 dB below pngquant's $ta dB"
  done
  means() { printf '%s\n' "$@" | awk '{p += $1; s += $2; n++} END {printf "%.4f %.5f", p / n, s / n}'; }
  read -r op os <<<"$(means "${ours_sum[@]}")"
  read -r tp ts <<<"$(means "${theirs_sum[@]}")"
  echo "mean, dithering $dither: ours $op dB SSIM $os, pngquant $tp dB SSIM $ts"
  at_least "$op" "$tp" || fail "dithering $dither: mean $op dB below pngquant's $tp dB"
  at_least "$os" "$ts" || fail "dithering $dither: mean SSIM $os below pngquant's $ts"
done

# Exactly through: a pair of 256 colours in all, dithered or not, and the tool's output again.
convert -size 480x360 xc: -seed 4 +noise Random -channel RGB -blur 0x6 -auto-level +channel -colors 200 +dither \
  -depth 8 few.png
lit=()
for spot in "${spots[@]}"; do lit+=(-region "$spot" -fill '#ffcc00' -colorize 100); done
convert few.png "${lit[@]}" +region -depth 8 few-lit.png
colours=$(convert few.png few-lit.png +append -unique-colors -format %w info:)
[ "$colours" -le 256 ] || fail "the exact pair has $colours colours, more than a table holds"
for dither in on off; do
  flag=()
  [ "$dither" = off ] && flag=(--no-dither)
  "$tool" convert --out exact-$dither "${flag[@]}" few.png few-lit.png >/dev/null 2>&1 || fail "exact pair, dithering $dither"
  read -r eb ep _ <<<"$(quality measure "$hot_spots" few.png few-lit.png exact-$dither/background.bmp exact-$dither/highlight.bmp)"
  [ "$eb $ep" = "99.0000 99.0000" ] || fail "exact pair, dithering $dither: $eb / $ep dB, not every pixel the same"
  "$tool" convert --out again-$dither "${flag[@]}" photo-plasma-$dither/background.bmp photo-plasma-$dither/highlight.bmp \
    >/dev/null 2>&1 || fail "converting the output again, dithering $dither"
  for file in background highlight; do
    cmp -s "photo-plasma-$dither/$file.bmp" "again-$dither/$file.bmp" ||
      fail "converting the output again, dithering $dither: $file.bmp changed"
  done
done

finish
