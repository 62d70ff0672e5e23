#!/usr/bin/env bash
# tarvelin-art never harms the author's own files: it does not write over the pictures it is
# given, a full disk leaves the pair the folder held, and `medium` reads and converts everything
# before it writes anything, keeps an autorun.inf of the author's own, and says what is wrong with
# a command that cannot work.
#   author_files_test.sh TARVELIN_ART
set -uo pipefail
tool=$1
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
cd "$work" || exit 1
# run STATUS PATTERN -- COMMAND...: the command's status, and its output matching PATTERN.
run() {
  local status=$1 pattern=$2 output actual
  shift 3
  output=$("$@" 2>&1)
  actual=$?
  [ "$actual" -eq "$status" ] && grep -qE -- "$pattern" <<<"$output" ||
    fail "$* -> status $actual (wanted $status, \"$pattern\"): $output"
}
# sums FOLDER: a line per file, its checksum and name, to tell whether the folder changed.
sums() { (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r md5sum); }

convert -size 480x360 -seed 11 plasma:navy-gold -depth 8 photo.png
printf 'MZ stand-in' >tarvelin.exe
printf '\177ELF stand-in' >tarvelin
cat >options.ini <<'INI'
"My Disc"
INI

# The author's own 24-bit pictures, converted where they lie (the default folder is the current one).
mkdir own
convert photo.png -type truecolor BMP3:own/background.bmp
convert photo.png -negate -type truecolor BMP3:own/highlight.bmp
before=$(sums own)
(cd own && run 1 "background.bmp: the picture to convert would be written over by ./background.bmp" \
  -- "$tool" convert background.bmp highlight.bmp)
(cd own && run 1 "highlight.bmp: the picture to convert would be written over" -- "$tool" convert ../photo.png highlight.bmp)
run 1 "own/background.bmp: the picture to convert would be written over" -- "$tool" convert --out own/. own/background.bmp
[ "$(sums own)" = "$before" ] || fail "the author's pictures changed"
cp photo.png photo-before.png
run 1 "photo.png: the picture to convert would be written over by photo.png" \
  -- "$tool" convert --out elsewhere --preview photo.png photo.png
cmp -s photo.png photo-before.png || fail "the preview wrote over photo.png"
run 1 "own/background.bmp: would be written over by the preview" \
  -- "$tool" --preview own/background.bmp own/background.bmp own/highlight.bmp

# A full disk (files limited to 150 KiB, less than one bitmap): the pair before stays, whole.
run 0 "fit the menu" -- "$tool" convert --out pair photo.png
before=$(sums pair)
run 1 "pair/background.bmp: cannot be written; the folder keeps the pictures it held" \
  -- bash -c 'ulimit -f 150; trap "" XFSZ; exec "$0" convert --out pair --no-dither --highlight-colour red "$1"' \
  "$tool" photo.png
[ "$(sums pair)" = "$before" ] || fail "a full disk changed the pair: $(ls -la pair)"

# medium with a picture it refuses: nothing of the medium changes, and nothing says "laid out".
run 0 "laid out" -- "$tool" medium disc --options options.ini --linux tarvelin --windows tarvelin.exe
before=$(sums disc)
printf '"Another title"\n' >other.ini
convert -size 400x300 xc:white small.png
run 1 "^small.png: 400 x 300; the menu needs 480 x 360" \
  -- "$tool" medium disc --options other.ini --background small.png --linux tarvelin --windows tarvelin.exe
output=$("$tool" medium disc --options other.ini --background small.png --linux tarvelin --windows tarvelin.exe 2>&1)
grep -q "laid out" <<<"$output" && fail "a refused medium says it was laid out: $output"
[ "$(sums disc)" = "$before" ] || fail "a refused medium changed the folder"
run 1 "missing.exe: cannot be read" -- "$tool" medium disc --options other.ini --background photo.png --linux tarvelin \
  --windows missing.exe
[ "$(sums disc)" = "$before" ] || fail "a medium with a missing program changed the folder"

# An autorun.inf of the author's own stays, and the tool says so; --force replaces it.
printf '[autorun]\r\nopen=setup.exe\r\nlabel=Mine\r\n' >disc/autorun.inf
run 0 "disc/autorun.inf: kept, as it is not the one this tool writes; --force replaces it" \
  -- "$tool" medium disc --options other.ini --linux tarvelin --windows tarvelin.exe
grep -q "open=setup.exe" disc/autorun.inf || fail "the author's autorun.inf was replaced"
run 0 "laid out" -- "$tool" medium disc --options other.ini --linux tarvelin --windows tarvelin.exe --force
grep -q "open=tarvelin.exe" disc/autorun.inf && grep -q "label=Another title" disc/autorun.inf ||
  fail "--force did not replace autorun.inf: $(cat disc/autorun.inf)"
# The tool's own, with the label of an earlier title, follows the title without --force.
run 0 "laid out" -- "$tool" medium disc --options options.ini --linux tarvelin --windows tarvelin.exe
grep -q "label=My Disc" disc/autorun.inf || fail "autorun.inf does not follow the title: $(cat disc/autorun.inf)"

# Commands that cannot work say why, and leave nothing behind.
run 1 "^new/options.ini: missing; give one with --options options.ini" \
  -- "$tool" medium new --linux tarvelin --windows tarvelin.exe
[ ! -e new ] || fail "a refused medium left the folder new behind"
for style in --no-dither "--highlight-colour red" "--matte white"; do
  # shellcheck disable=SC2086
  run 2 "give the pictures with --background" -- "$tool" medium disc $style --linux tarvelin --windows tarvelin.exe
done

finish
