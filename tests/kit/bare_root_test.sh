#!/usr/bin/env bash
# The kit on a Linux machine where nothing was installed for it: unzipped into a root that holds
# glibc alone (no shell, no C++ runtime, no picture libraries), entered with chroot, the kit's
# tarvelin-art lays out a medium from an author's PNG and JPEG, taking the programs from the kit's
# own medium folder. The menu then opens from that medium (in a root with glibc and the X11 client
# libraries, as a desktop has them) under the author's title, showing the converted pictures pixel
# for pixel, each hot spot lit from the highlight under the pointer, and Escape ends it.
#
#   bare_root_test.sh KIT WINDOWS_PROGRAM SYSTEM_ROOT
# SYSTEM_ROOT: the installed system whose packages the roots are made of (the Debian 11 build root,
# glibc 2.31, or "/"). TARVELIN_HOT_SPOTS names the build's table of hot spots. Needs root, for
# chroot and mounts. Exits 77 (skipped) when the Windows program has not been built: there is no kit
# without it.

kit=$1 windows=$2
if [ ! -f "$windows" ]; then
  echo "SKIP: no $windows, so no kit; build it with: cmake --preset mingw && cmake --build --preset mingw"
  exit 77
fi
# The menu's program is the kit's, found once the kit is unpacked; no built-in pictures are expected.
# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh" "" ""
# shellcheck source=tests/portable/root_lib.sh
source "$(dirname "$0")/../portable/root_lib.sh"
readonly SYSTEM_ROOT=${3%/}
readonly X11_PACKAGES="libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 libxext6 libx11-data"
readonly TITLE="An Author's Disc"

[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root (chroot, and mounts in the root)"; exit 77; }
[ -d "$SYSTEM_ROOT/var/lib/dpkg" ] || { echo "no Debian system at ${SYSTEM_ROOT:-/}" >&2; exit 1; }
[ -f "$kit" ] || { echo "FAIL: no kit at $kit" >&2; exit 1; }

# The author's pictures: a photo-like PNG with the entries and the exit button painted dark, and
# the same picture with them painted bright, as a JPEG.
draws=()
while read -r _ left top width height; do
  draws+=(-draw "rectangle $left,$top $((left + width - 1)),$((top + height - 1))")
done <<<"$HOT_SPOTS"
convert -size 480x360 -seed 5 plasma:darkseagreen-midnightblue -fill '#202040' "${draws[@]}" -depth 8 "$WORK/menu.png"
convert "$WORK/menu.png" -fill '#f0e060' "${draws[@]}" -quality 92 "$WORK/menu-lit.jpg"
printf '%s\r\ntools\\setup\r\n' "$TITLE" >"$WORK/options.ini"

# --- The tool in a root holding glibc alone.
tool_root=$WORK/tool-root
make_root "$tool_root" libc6
unzip -q "$kit" -d "$tool_root/kit" || { echo "FAIL: $kit does not unzip" >&2; exit 1; }
tool=$(cd "$tool_root" && find kit -mindepth 2 -maxdepth 2 -name tarvelin-art)
mkdir "$tool_root/author"
cp "$WORK/menu.png" "$WORK/menu-lit.jpg" "$WORK/options.ini" "$tool_root/author/"
# What the tool could lean on, were it there: the C++ runtime, the picture libraries, a shell.
leaning=$(find "$tool_root" -path "$tool_root/kit" -prune -o \( -name 'libstdc++*' -o -name 'libgcc_s*' -o -name 'libgomp*' \
  -o -name 'libpng*' -o -name 'libjpeg*' -o -name 'libgif*' -o -name 'libz.*' -o -name 'libimagequant*' -o -name 'libMagick*' \
  -o -name sh \) -print | tr '\n' ' ')
glibc=$(find "$tool_root" -name libc.so.6 | head -n 1)
if [ -n "$tool" ] && [ -n "$glibc" ] && [ -z "$leaning" ]; then
  pass "the kit in a root that holds glibc alone ($(basename "$(readlink -f "$glibc")"))"
else
  fail "no tarvelin-art in the kit ('$tool'), no glibc ('$glibc'), or the root holds more: $leaning"
fi

status=0
output=$(unshare --mount --propagation private sh -c '
  mount -t proc proc "$1/proc" && exec chroot "$1" "/$2" medium /disc --options /author/options.ini \
    --background /author/menu.png --highlight /author/menu-lit.jpg
' sh "$tool_root" "$tool" 2>&1) || status=$?
if [ "$status" -eq 0 ] && grep -q 'laid out' <<<"$output" && grep -q 'fit the menu (480 x 360)' <<<"$output"; then
  pass "tarvelin-art medium from a PNG and a JPEG: $(grep -o 'colour error.*' <<<"$output")"
else
  fail "tarvelin-art medium: exit status $status: $output"
fi
medium=$(dirname "$tool_root/$tool")/medium
for program in .tarvelin tarvelin.exe; do
  cmp -s "$tool_root/disc/$program" "$medium/$program" || fail "the medium's $program is not the kit's"
done
[ -x "$tool_root/disc/.tarvelin" ] || fail "the medium's .tarvelin is not executable"
# The notices go with the programs: LICENSES.txt and every licence text it names, as the kit has them.
notices=0
for path in LICENSES.txt $(grep -oE 'licenses/[A-Za-z0-9_.-]+\.txt' "$medium/LICENSES.txt" | sort -u); do
  if cmp -s "$tool_root/disc/$path" "$medium/$path"; then notices=$((notices + 1)); else fail "the medium's $path is not the kit's"; fi
done
[ "$notices" -gt 1 ] && pass "the medium holds LICENSES.txt and the $((notices - 1)) licence texts it names"
# The pictures shown are the author's: the converted background is close to the PNG.
psnr=$(compare -metric PSNR "$WORK/menu.png" "$tool_root/disc/background.bmp" null: 2>&1 || true)
if awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 30) }'; then
  pass "background.bmp is the author's picture (PSNR $psnr dB)"
else
  fail "background.bmp is not the author's picture: PSNR $psnr dB"
fi

# --- The menu from that medium, where a desktop's X11 client libraries are.
ROOT=$WORK/menu-root
# shellcheck disable=SC2086  # one word per package
make_root "$ROOT" libc6 $X11_PACKAGES
cp -a "$tool_root/disc" "$ROOT/disc"
start_xvfb
mkdir -p "$EXPECTED"
make_expected_pictures "$ROOT/disc"
xdotool mousemove 0 0
unshare --mount --propagation private sh -c '
  mount -t proc proc "$1/proc" && mount --bind /tmp/.X11-unix "$1/tmp/.X11-unix" && exec chroot "$1" /disc/.tarvelin
' sh "$ROOT" 2>"$WORK/menu.err" &
menu_pid=$!
await_menu_window
expect_centred_window
name=$(xdotool getwindowname "$menu_window")
if [ "$name" = "$TITLE" ]; then pass "titled \"$name\" from the author's options.ini"; else fail "the window is titled \"$name\""; fi
expect_screen plain "the window shows the medium's background.bmp pixel for pixel"
while read -r index _; do
  point_at_hot_spot "$index"
  expect_screen "lit-$index" "hot spot $index lights up from the medium's highlight.bmp"
done <<<"$HOT_SPOTS"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the menu"

finish
