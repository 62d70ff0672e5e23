#!/usr/bin/env bash
# End-to-end case of the author's kit on Windows: unzipped into a folder named outside ASCII, its
# tarvelin-art.exe gives the kit's version and lays out a medium from an author's PNG and JPEG,
# taking the programs from the kit's own medium folder, with the licence notices; tarvelin.exe
# opens from that medium under the author's title and shows the author's pictures, each hot spot
# lit from the highlight. The kit is the zip TARVELIN_KIT names.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_kit_medium() {
  local kit=${TARVELIN_KIT:?must name the kit}
  [ -f "$kit" ] || fail "no kit at $kit"
  # Unpacked where a Windows user's downloads are, in a folder named outside ASCII and with a space.
  local downloads="$work/Jürgen's downloads"
  unzip -q "$kit" -d "$downloads" || fail "$kit does not unzip"
  local version kit_dir
  version=$(basename "$kit" .zip)
  kit_dir=$downloads/$version
  version=${version#tarvelin-}
  [ -f "$kit_dir/tarvelin-art.exe" ] || fail "no tarvelin-art.exe in $kit_dir"

  local shown
  shown=$(wine "$kit_dir/tarvelin-art.exe" --version 2>&1 | tr -d '\r' || true)
  [ "$shown" = "tarvelin-art $version" ] || fail "tarvelin-art.exe --version says: $shown"

  # The author's pictures: a photo-like PNG with the entries and the exit button painted dark, and
  # the same picture with them painted bright, as a JPEG; and the author's options.ini.
  local spot index left top width height draws=()
  for spot in "${hot_spots[@]}"; do
    read -r index left top width height <<<"$spot"
    draws+=(-draw "rectangle $left,$top $((left + width - 1)),$((top + height - 1))")
  done
  mkdir -p "$work/author"
  cd "$work/author" || fail "no folder $work/author"
  convert -size 480x360 -seed 11 plasma:burlywood-darkred -fill '#302010' "${draws[@]}" -depth 8 menu.png
  convert menu.png -fill '#a0f0ff' "${draws[@]}" -quality 92 menu-lit.jpg
  printf 'Windows Author Disc\r\ntools\\setup\r\n' >options.ini

  local output status=0
  output=$(wine "$kit_dir/tarvelin-art.exe" medium disc --options options.ini --background menu.png \
    --highlight menu-lit.jpg 2>&1 | tr -d '\r') || status=$?
  [ "$status" -eq 0 ] && grep -q 'laid out' <<<"$output" && grep -q 'fit the menu (480 x 360)' <<<"$output" ||
    fail "tarvelin-art.exe medium: exit status $status: $output"
  local program
  for program in tarvelin.exe .tarvelin; do
    cmp -s "disc/$program" "$kit_dir/medium/$program" || fail "the medium's $program is not the kit's"
  done
  # The notices go with the programs: LICENSES.txt and every licence text it names, as the kit has them.
  local path
  for path in LICENSES.txt $(grep -oE 'licenses/[A-Za-z0-9_.-]+\.txt' "$kit_dir/medium/LICENSES.txt" | sort -u); do
    cmp -s "disc/$path" "$kit_dir/medium/$path" || fail "the medium's $path is not the kit's"
  done
  local psnr
  psnr=$(compare -metric PSNR menu.png disc/background.bmp null: 2>&1 || true)
  awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 30) }' || fail "disc/background.bmp is not the author's picture: PSNR $psnr dB"

  # The pictures expected on screen are the medium's.
  art=$work/author/disc
  start_menu "$work/author/disc/tarvelin.exe"
  expect_geometry 480 360
  local name
  name=$(xdotool getwindowname "$window")
  [ "$name" = "Windows Author Disc" ] || fail "the window is titled \"$name\""
  every_hot_spot
  xdotool key Escape
  expect_exit 0
}

run_case
