#!/usr/bin/env bash
# Pictures beside the program: a pair of background.bmp and highlight.bmp in the program's folder
# that fits the menu is what the menu shows, at rest and highlighted; a pair that does not fit is
# left aside with the reason on standard error, and the built-in pictures show, as they do with no
# pair at all. No file there can make the menu wait: a FIFO is never opened. An options.ini that
# cannot be read (a FIFO, a folder, a loop of links, a line of 10 MB) leaves the built-in title,
# and standard error says why.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

PAIR=$WORK/pair
mkdir -p "$PAIR"

# invert_colours IN OUT: the bitmap with every entry of its colour table inverted; the pixels keep
# their indices, so two pictures that share a table still do.
invert_colours() {
  perl -e 'local $/; $_ = <STDIN>; my $at = 14 + unpack("V", substr($_, 14, 4));
           substr($_, $at, 1024) = substr($_, $at, 1024) ^ ("\xff" x 1024); print' <"$1" >"$2"
}
invert_colours "$ART_DIR/background.bmp" "$PAIR/background.bmp"
invert_colours "$ART_DIR/highlight.bmp" "$PAIR/highlight.bmp"

# A 1080-byte file declaring an 8192 x 8192 RLE8 picture with the art's colour table.
huge_picture() {
  perl -e 'local $/; $_ = <STDIN>; substr($_, 1078) = "\x00\x01"; substr($_, 2, 4) = pack("V", 1080);
           substr($_, 18, 8) = pack("VV", 8192, 8192); substr($_, 30, 4) = pack("V", 1); print' \
    <"$ART_DIR/background.bmp" >"$1"
}

# widen_picture IN OUT: the uncompressed 8-bit bitmap made 4096 pixels wide, each row repeated
# along itself from its start, so its first 480 columns are the picture as it was.
widen_picture() {
  perl -e 'local $/; my $file = <STDIN>; my $at = unpack("V", substr($file, 10, 4)); my $head = substr($file, 0, $at);
           my $pixels = ""; $pixels .= substr(substr($file, $at + 480 * $_, 480) x 9, 0, 4096) for 0 .. 359;
           substr($head, 2, 4) = pack("V", $at + length $pixels); substr($head, 18, 4) = pack("V", 4096);
           substr($head, 34, 4) = pack("V", length $pixels); print $head, $pixels' <"$1" >"$2"
}

# show_hot_spots WHAT: the window at rest, then each hot spot highlighted.
show_hot_spots() {
  expect_screen plain "$1: the picture at rest"
  local index
  for index in 1 2 3 4 5 8; do
    point_at_hot_spot "$index"
    expect_screen "lit-$index" "$1: hot spot $index highlighted"
  done
}

close_menu() {
  xdotool key Escape
  expect_menu_exit_status 0 "$1: Escape closes the menu"
}

# expect_stderr PATTERN WHAT: the menu's standard error matches the extended regular expression
# (empty pattern: nothing was written).
expect_stderr() {
  local said
  said=$(cat "$WORK/menu.err")
  if { [ -z "$1" ] && [ -z "$said" ]; } || { [ -n "$1" ] && grep -qE -- "$1" <<<"$said"; }; then
    pass "$2"
  else
    fail "$2: standard error says: $said"
  fi
}

start_xvfb
make_disc "$FIXTURES/art_beside.ini"

# --- A fitting pair.
make_expected_pictures "$PAIR"
if same_picture "$EXPECTED/plain.png" <(convert "$ART_DIR/background.bmp" -type TrueColor png:-); then
  echo "the author's pair looks like the built-in one; the test could not tell them apart" >&2
  exit 1
fi
cp "$PAIR/background.bmp" "$PAIR/highlight.bmp" "$DISC/"
start_menu
show_hot_spots "a fitting pair beside the program"
expect_stderr "" "a fitting pair is taken without a word"
close_menu "a fitting pair"

# --- The same pair named as a medium made on Windows may spell it: found ignoring case.
rm "$DISC/background.bmp" "$DISC/highlight.bmp"
cp "$PAIR/background.bmp" "$DISC/BACKGROUND.BMP"
cp "$PAIR/highlight.bmp" "$DISC/Highlight.Bmp"
start_menu
show_hot_spots "a fitting pair named BACKGROUND.BMP and Highlight.Bmp"
expect_stderr "" "a pair named in other case is taken without a word"
close_menu "a pair named in other case"
rm "$DISC/BACKGROUND.BMP" "$DISC/Highlight.Bmp"

# --- A fitting pair wider than the screen: the window opens with its top-left corner, where the
# hot spots are, on the screen, not centred out past its left edge.
widen_picture "$PAIR/background.bmp" "$DISC/background.bmp"
widen_picture "$PAIR/highlight.bmp" "$DISC/highlight.bmp"
start_menu
read -r wide_w wide_h < <(xwininfo -id "$menu_window" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w, h}')
if [ "$wide_w x $wide_h" = "4096 x 360" ] && [ "$menu_x,$menu_y" = "0,$(((SCREEN_H - MENU_H) / 2))" ]; then
  pass "a 4096 x 360 pair: the window's top-left corner is on the screen ($menu_x,$menu_y)"
else
  fail "a 4096 x 360 pair: the window is $wide_w x $wide_h at $menu_x,$menu_y"
fi
show_hot_spots "a 4096 x 360 pair"
close_menu "a 4096 x 360 pair"
cp "$PAIR/background.bmp" "$PAIR/highlight.bmp" "$DISC/"

# --- Pairs that do not fit: the built-in pictures show, and standard error says why.
make_expected_pictures
misfit() {  # misfit WHAT PATTERN: starts the menu on the disc as it is and checks both
  start_menu
  expect_screen plain "$1: the built-in picture at rest"
  point_at_hot_spot 3
  expect_screen lit-3 "$1: the built-in highlight"
  expect_stderr "$2" "$1: standard error names the file and the fault"
  close_menu "$1"
}
cp "$ART_DIR/highlight.bmp" "$DISC/highlight.bmp"
misfit "a highlight.bmp with another colour table" \
  "^tarvelin: .*/disc/highlight.bmp: its colour table differs from the one of .*/disc/background.bmp; showing the built-in pictures$"
huge_picture "$DISC/background.bmp"
huge_picture "$DISC/highlight.bmp"
misfit "an 8192 x 8192 pair" \
  "/disc/background.bmp: 8192 x 8192 pixels; the menu takes pictures of at most 4096 x 4096"
convert "$PAIR/background.bmp" -crop 480x300+0+0 +repage BMP3:"$DISC/background.bmp"
cp "$DISC/background.bmp" "$DISC/highlight.bmp"
misfit "a pair too small for its hot spots" "/disc/background.bmp: hot spot 8 \(386, 318, 82 x 22\) lies outside the 480 x 300 picture"
rm "$DISC/highlight.bmp"
misfit "a background.bmp alone" "/disc/highlight.bmp: missing, though .*/disc/background.bmp is there"
mkfifo "$DISC/highlight.bmp"
cp "$PAIR/background.bmp" "$DISC/background.bmp"
misfit "a FIFO named highlight.bmp" "/disc/highlight.bmp: not a regular file"
rm "$DISC/highlight.bmp"
# RLE8 stored top-down, which Windows bitmaps do not allow.
convert "$PAIR/highlight.bmp" -compress RLE BMP3:"$DISC/highlight.bmp"
perl -i -pe 'BEGIN { undef $/ } substr($_, 22, 4) = pack("l<", -abs(unpack("l<", substr($_, 22, 4))))' "$DISC/highlight.bmp"
misfit "a top-down RLE8 highlight.bmp" "/disc/highlight.bmp: RLE8 pixel data stored top-down \(a negative height\)"
cp "$PAIR/highlight.bmp" "$DISC/"
# With no descriptor left to open a picture with: the menu holds the standard three and its folder,
# and may have four (it then cannot reach the display either).
(cd "$ELSEWHERE" && exec perl -e 'use POSIX (); POSIX::close($_) for 3 .. 1023; exec @ARGV or die' \
  sh -c 'ulimit -n 4 && exec "$1"' sh "$DISC/tarvelin") 2>"$WORK/menu.err" || true
expect_stderr "^tarvelin: .*/disc/background.bmp: cannot be read: Too many open files; showing the built-in pictures$" \
  "no descriptor left: standard error says so of the picture"

# --- An options.ini that cannot be read: the built-in title, and standard error says why.
# unreadable_options WHAT PATTERN: the menu opens titled as built in, and standard error matches.
unreadable_options() {
  start_menu
  local title
  title=$(xdotool getwindowname "$menu_window")
  if [ -z "$title" ]; then pass "$1: no title, as without options.ini"; else fail "$1: the window is titled \"$title\""; fi
  expect_stderr "$2" "$1: standard error says why"
  close_menu "$1"
}
rm "$DISC/options.ini"
mkfifo "$DISC/options.ini"
unreadable_options "a FIFO named options.ini" "^tarvelin: .*/disc/options.ini: not a regular file \(a FIFO\); the built-in title and commands are used$"
rm "$DISC/options.ini"
mkdir "$DISC/options.ini"
unreadable_options "a folder named options.ini" "^tarvelin: .*/disc/options.ini: not a regular file \(a folder\)"
rmdir "$DISC/options.ini"
ln -s options.ini "$DISC/options.ini"
unreadable_options "options.ini a link to itself" "^tarvelin: .*/disc/options.ini: cannot be read: Too many levels of symbolic links"
rm "$DISC/options.ini"
head -c 10000000 /dev/zero | tr '\0' x >"$DISC/options.ini"
unreadable_options "an options.ini of one 10 MB line" \
  "^tarvelin: .*/disc/options.ini: a field is longer than the 32768 bytes a field can have; only the fields before it are used$"
cp "$FIXTURES/art_beside.ini" "$DISC/options.ini"

# --- No pair: the built-in pictures, and nothing said.
rm "$DISC/background.bmp" "$DISC/highlight.bmp"
start_menu
show_hot_spots "no pictures beside the program"
expect_stderr "" "no pictures: nothing on standard error"
close_menu "no pictures"

finish
