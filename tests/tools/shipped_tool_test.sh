#!/usr/bin/env bash
# What the tarvelin-art that ships asks of the system it runs on, as tests/portable/elf_test.sh asks
# it of the menu: for Linux, an x86-64 ELF that needs only glibc's own libraries (libc, libm, libdl,
# libpthread, the loader), no glibc symbol version past 2.17, no C++ runtime, no library search
# path, stripped; for Windows, a PE that imports only DLLs that are part of Windows. Then each one
# at work: a PNG, a JPEG turned by its EXIF orientation, a 4-bit bitmap and a GIF converted, and a
# medium laid out with the programs found in the medium folder beside the tool, as in the kit; the
# .exe under Wine (with a name outside ASCII too, through its wide command line and file names, a
# medium's folder among them), refusing a preview over a file of the medium whatever its case.
# Both tools make the same pair of a photo, byte for byte: an author gets the same medium from
# either system.
#   shipped_tool_test.sh LINUX_TOOL WINDOWS_TOOL
# Exits 77 (skipped) when the Windows tool has not been built or Wine is missing, after checking
# the Linux one.
set -uo pipefail
linux=$(realpath -m "$1") windows=$(realpath -m "$2")
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)

# The pictures, and the colour of two pixels of what the tool made of them: red at the top left,
# blue at the bottom right, as a viewer shows them.
cd "$work" || exit 1
convert -size 480x360 xc:red -fill blue -draw 'rectangle 240,180 479,359' -depth 8 picture.png
convert picture.png -quality 95 picture.gif
convert picture.png -rotate 270 -quality 95 stored-on-its-side.jpg
{ head -c 2 stored-on-its-side.jpg
  printf '\xff\xe1\x00\x22Exif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00'
  tail -c +3 stored-on-its-side.jpg; } >picture.jpg
convert picture.png -depth 8 -alpha set rgba:picture.rgba
python3 "$here/make_bitmaps.py" 480 360 picture.rgba picture >/dev/null && mv picture-4.bmp picture.bmp
convert -seed 7 -size 480x360 plasma:fractal -depth 8 photo.png
colour_at() { convert "$1" -format "%[hex:u.p{$2,$3}]" info:; }
# red_and_blue FILE: red at the top left and blue at the bottom right, give or take what JPEG changes.
red_and_blue() {
  local top bottom
  top=$(colour_at "$1" 10 10 2>/dev/null) bottom=$(colour_at "$1" 470 350 2>/dev/null)
  [[ "$top" =~ ^F[8-F]0[0-7]0[0-7]$ && "$bottom" =~ ^0[0-7]0[0-7]F[8-F]$ ]] ||
    { echo "$top at the top left, $bottom at the bottom right"; return 1; }
}
# converts RUN... : each picture converted by the tool that RUN starts, into a folder of its own.
converts() {
  local picture output
  for picture in picture.png picture.jpg picture.bmp picture.gif; do
    rm -rf "out-$picture"
    output=$("$@" convert --out "out-$picture" --no-dither "$picture" "$picture" 2>&1) ||
      { fail "$* convert $picture: $output"; continue; }
    output=$(red_and_blue "out-$picture/background.bmp") || fail "$* convert $picture: $output"
  done
}

# lays_out RUN_DIR RUN...: the tool, copied into RUN_DIR with a .tarvelin and a tarvelin.exe in the
# medium folder beside it, as the kit holds them, lays out a medium with those two programs, without
# being told where they are.
lays_out() {
  local dir=$1 output
  shift
  mkdir -p "$dir/medium"
  printf 'the Linux program' >"$dir/medium/.tarvelin" && printf 'the Windows program' >"$dir/medium/tarvelin.exe"
  printf '"Shipped"\n' >options.ini
  rm -rf disc
  output=$("$@" medium disc --options options.ini 2>&1) || { fail "$* medium: $output"; return; }
  cmp -s disc/.tarvelin "$dir/medium/.tarvelin" && cmp -s disc/tarvelin.exe "$dir/medium/tarvelin.exe" ||
    fail "$* medium did not take the programs of the medium folder beside it: $output"
}

if ! readelf -h "$linux" >/dev/null 2>&1; then
  fail "$linux is not an ELF file"
else
  grep -q 'Machine: *Advanced Micro Devices X86-64' <<<"$(readelf -h "$linux")" || fail "$linux is not x86-64"
  for library in $(readelf -d "$linux" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    [[ " libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 ld-linux-x86-64.so.2 " == *" $library "* ]] ||
      fail "$linux needs $library, not one of glibc's"
  done
  ! readelf -d "$linux" | grep -qE '\((RPATH|RUNPATH)\)' || fail "$linux carries a library search path"
  versions=$(readelf -V "$linux" | sed -n 's/.*Name: \([A-Z_]*[0-9][0-9.]*\) .*/\1/p' | sort -u)
  newest=$(grep '^GLIBC_' <<<"$versions" | sed 's/^GLIBC_//' | sort -V | tail -n 1)
  [ -n "$newest" ] && [ "$(printf '%s\n' "$newest" 2.17 | sort -V | tail -n 1)" = 2.17 ] ||
    fail "$linux asks for GLIBC_$newest: $(readelf -W --dyn-syms "$linux" | grep -oE '[^ ]+@GLIBC_2\.(1[89]|[2-9][0-9])[.0-9]*' | sort -u | xargs)"
  [ -z "$(grep -v '^GLIBC_' <<<"$versions")" ] || fail "$linux asks for versions $(grep -v '^GLIBC_' <<<"$versions" | xargs)"
  ! readelf -S "$linux" | grep -q ' \.symtab ' || fail "$linux carries a symbol table: not stripped"
  converts "$linux"
  output=$("$linux" convert --out photo-linux photo.png 2>&1) || fail "$linux convert photo.png: $output"
  mkdir -p linux-kit && cp "$linux" linux-kit/
  lays_out linux-kit linux-kit/tarvelin-art
fi

if [ ! -f "$windows" ]; then
  echo "note: no $windows to check"
  [ "$failures" -eq 0 ] && exit 77
  finish
fi
imports=$(i686-w64-mingw32-objdump -p "$windows" | sed -n 's/^\s*DLL Name: //p')
[ -n "$imports" ] || fail "$windows imports nothing: not the tool this test knows"
for dll in $imports; do
  grep -qiE '^(kernel32|user32|gdi32|shell32|advapi32|ole32|msvcrt|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$dll" ||
    fail "$windows imports $dll, which is not part of Windows"
done
if ! command -v wine >/dev/null; then
  echo "note: no Wine to run $windows"
  [ "$failures" -eq 0 ] && exit 77
  finish
fi
export WINEPREFIX="$work/wine" WINEDEBUG=-all
# A folder and a picture named outside ASCII: the tool takes UTF-16 from Windows and opens wide names.
mkdir -p "Bilder-ä€"
cp picture.png "Bilder-ä€/Hintergrund-ü.png"
output=$(wine "$windows" convert --out "Bilder-ä€/Ausgabe" --no-dither "Bilder-ä€/Hintergrund-ü.png" 2>&1) ||
  fail "wine tarvelin-art.exe with a name outside ASCII: $output"
red_and_blue "Bilder-ä€/Ausgabe/background.bmp" >/dev/null ||
  fail "wine tarvelin-art.exe with a name outside ASCII: not the picture in Bilder-ä€/Ausgabe/background.bmp ($output)"
converts wine "$windows"
output=$(wine "$windows" convert --out photo-windows photo.png 2>&1) || fail "wine tarvelin-art.exe convert photo.png: $output"
if [ -f photo-linux/background.bmp ]; then
  for made in background.bmp highlight.bmp; do
    cmp -s "photo-linux/$made" "photo-windows/$made" ||
      fail "the two tools made different ${made}s of the same photo: $(cmp "photo-linux/$made" "photo-windows/$made" 2>&1 | head -n 1)"
  done
fi
mkdir -p windows-kit && cp "$windows" windows-kit/
lays_out windows-kit wine windows-kit/tarvelin-art.exe
# A medium folder named outside ASCII, checked; a title outside ASCII labels the drive (autorun.inf
# in UTF-16); a preview naming a file of the medium, in any case, or the author's options file, is
# refused before anything is written.
printf '"Mé Disc"\r\n' >options.ini
output=$(wine windows-kit/tarvelin-art.exe medium "Mé disc" --options options.ini 2>&1) ||
  fail "wine tarvelin-art.exe medium \"Mé disc\": $output"
output=$(wine windows-kit/tarvelin-art.exe check "Mé disc" 2>&1)
grep -q 'entry 1 "guide\\guide.exe"' <<<"$output" || fail "wine tarvelin-art.exe check \"Mé disc\": $output"
[ "$(head -c 2 "Mé disc/autorun.inf" | od -An -tx1 | tr -d ' ')" = fffe ] &&
  iconv -f UTF-16 -t UTF-8 "Mé disc/autorun.inf" | tr -d '\r' | grep -qx 'label=Mé Disc' ||
  fail "autorun.inf of a title outside ASCII: $(od -c "Mé disc/autorun.inf" | head -n 3)"
before=$(cd "Mé disc" && md5sum .tarvelin tarvelin.exe options.ini autorun.inf)
for preview in "Mé disc/TARVELIN.EXE" "Mé disc/Options.ini" "Mé disc/autorun.sh" options.ini; do
  output=$(wine windows-kit/tarvelin-art.exe medium "Mé disc" --options options.ini --background picture.png \
    --preview "$preview" 2>&1)
  [ $? -eq 1 ] && grep -q "would be written over by the preview" <<<"$output" ||
    fail "wine tarvelin-art.exe medium --preview $preview: $output"
done
[ "$(cd "Mé disc" && md5sum .tarvelin tarvelin.exe options.ini autorun.inf)" = "$before" ] ||
  fail "a refused preview changed the medium"
wineserver -k 2>/dev/null

finish
