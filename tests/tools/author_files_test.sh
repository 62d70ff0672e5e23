#!/usr/bin/env bash
# tarvelin-art never harms the author's own files: it does not write over the pictures it is
# given, nor with --preview over any file the command reads or writes; a full disk or a read-only
# folder leaves the pair or the medium the folder held, and says the system's reason; `medium` reads
# and converts everything before it writes anything, keeps an autorun.inf of the author's own, says
# when it replaces pictures of the author's, and says what is wrong with a command that cannot work;
# it reads options.ini as the menu does, so a pipe or a device named so neither hangs nor aborts it.
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
run 1 "pair/background.bmp: cannot be written \(File too large\); the folder keeps the files it held" \
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

# --preview naming any file the command reads or writes is refused before anything is written,
# naming the file: the medium's own files, the author's options file, the pictures, the pair.
run 0 "laid out" -- "$tool" medium disc --options options.ini --background photo.png --linux tarvelin --windows tarvelin.exe
cp options.ini options-before.ini
before=$(sums disc)
for preview in disc/tarvelin.exe disc/options.ini disc/autorun.sh disc/.tarvelin disc/LICENSES.txt disc/autorun.inf \
  disc/background.bmp disc/highlight.bmp options.ini photo.png tarvelin; do
  run 1 "^$preview: would be written over by the preview" -- "$tool" medium disc --options options.ini \
    --background photo.png --preview "$preview" --linux tarvelin --windows tarvelin.exe
done
# Through another name of the same file, and into a medium not yet made.
ln -s disc/tarvelin.exe link.png
run 1 "would be written over by the preview" -- "$tool" medium disc --options options.ini --preview link.png \
  --linux tarvelin --windows tarvelin.exe
run 1 "^fresh/tarvelin.exe: would be written over by the preview" -- "$tool" medium fresh --options options.ini \
  --background photo.png --preview fresh/tarvelin.exe --linux tarvelin --windows tarvelin.exe
[ ! -e fresh ] || fail "a refused preview left the folder fresh behind"
[ "$(sums disc)" = "$before" ] || fail "a refused preview changed the medium"
cmp -s options.ini options-before.ini || fail "a refused preview changed the author's options.ini"
before=$(sums pair)
run 1 "^pair/highlight.bmp: would be written over by the preview" -- "$tool" convert --out pair --no-dither \
  --preview pair/highlight.bmp photo.png
[ "$(sums pair)" = "$before" ] || fail "convert wrote the pair before refusing its preview"

# Pictures of the author's in the medium folder, replaced by other pictures: said so.
convert photo.png -negate -type palette BMP3:disc/background.bmp
run 0 "disc/background.bmp: replaced by the picture converted from photo.png" \
  -- "$tool" medium disc --options options.ini --background photo.png --linux tarvelin --windows tarvelin.exe

# A full disk and a read-only folder leave the medium as it was, and say the system's reason. The
# medium lies on a small file system of its own; without the right to mount one, skipped.
printf '\177ELF stand-in' >tarvelin  # as it was, whatever came before
mkdir small-disk
if mount -t tmpfs -o size=300k tmpfs small-disk 2>/dev/null; then
  trap 'umount "$work/small-disk" 2>/dev/null; rm -rf "$work"' EXIT
  head -c 100000 /dev/urandom >big.exe
  run 0 "laid out" -- "$tool" medium small-disk/disc --options options.ini --linux tarvelin --windows tarvelin.exe
  head -c 150000 /dev/urandom >small-disk/filler
  before=$(sums small-disk)
  run 1 "cannot be written \(No space left on device\); the folder keeps the files it held" \
    -- "$tool" medium small-disk/disc --options other.ini --background photo.png --linux tarvelin --windows big.exe
  [ "$(sums small-disk)" = "$before" ] || fail "a full disk changed the medium: $(ls -la small-disk/disc)"
  [ -z "$(find small-disk -name '*.unfinished')" ] || fail "a full disk left unfinished files: $(find small-disk)"
  mount -o remount,ro small-disk
  run 1 "cannot be written \(Read-only file system\); the folder keeps the files it held" \
    -- "$tool" medium small-disk/disc --options other.ini --linux tarvelin --windows tarvelin.exe
  [ "$(sums small-disk)" = "$before" ] || fail "a read-only medium changed"
  umount small-disk
else
  echo "note: no tmpfs could be mounted; the full disk is not tried"
fi
# A folder the author may not write to (as root, permissions do not bind: not tried).
if [ "$(id -u)" -ne 0 ]; then
  run 0 "laid out" -- "$tool" medium locked --options options.ini --linux tarvelin --windows tarvelin.exe
  chmod a-w locked && before=$(sums locked)
  run 1 "cannot be written \(Permission denied\)" -- "$tool" medium locked --options other.ini --linux tarvelin \
    --windows tarvelin.exe
  [ "$(sums locked)" = "$before" ] || fail "a locked medium changed"
  chmod u+w locked
fi

# options.ini as the menu reads it: a pipe or a device is no options file, and neither hangs the
# tool nor aborts it.
mkfifo pipe.ini
ln -s /dev/zero zero.ini
run 1 "^pipe.ini: cannot be read \(not a regular file" -- timeout 20 "$tool" medium piped --options pipe.ini \
  --linux tarvelin --windows tarvelin.exe
run 1 "^zero.ini: cannot be read \(not a regular file" -- timeout 20 "$tool" medium zeroed --options zero.ini \
  --linux tarvelin --windows tarvelin.exe
mkdir -p piped && mkfifo piped/options.ini
run 1 "piped/options.ini: cannot be read \(not a regular file.*, so every entry has its built-in command" \
  -- timeout 20 "$tool" check piped
mkdir -p zeroed && ln -s /dev/zero zeroed/options.ini
run 1 "zeroed/options.ini: cannot be read \(not a regular file.*, so every entry has its built-in command" \
  -- timeout 20 "$tool" check zeroed

# Commands that cannot work say why, and leave nothing behind.
run 1 "^new/options.ini: missing; give one with --options options.ini" \
  -- "$tool" medium new --linux tarvelin --windows tarvelin.exe
[ ! -e new ] || fail "a refused medium left the folder new behind"
for style in --no-dither "--highlight-colour red" "--matte white"; do
  # shellcheck disable=SC2086
  run 2 "give the pictures with --background" -- "$tool" medium disc $style --linux tarvelin --windows tarvelin.exe
done

finish
