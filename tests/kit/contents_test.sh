#!/usr/bin/env bash
# The author's kit as an author unpacks it: one folder named as the zip, holding exactly the tool
# for both systems, the guide, the tools' corresponding source, LIBRARIES.txt, and the medium's
# files with the full licence texts; the programs are the ones this build and the Windows build
# made, the Linux program stripped, modes kept; the version of the zip's name, of
# `tarvelin-art --version` and of tarvelin.exe's version resource is the project's. Every file
# LICENSES.txt names is there. LIBRARIES.txt names every library each program carries, at the
# version the program itself shows, and the source archive holds this source tree and the Debian
# source package of the tools' GPL library, whole.
#   contents_test.sh KIT VERSION LINUX_PROGRAM WINDOWS_PROGRAM SOURCE_DIR
# Exits 77 (skipped) when the Windows program has not been built: there is no kit without it.
set -uo pipefail
kit=$1 version=$2 linux=$3 windows=$4 source=$5
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/../tools/check_lib.sh"

if [ ! -f "$windows" ]; then
  echo "SKIP: no $windows, so no kit; build it with: cmake --preset mingw && cmake --build --preset mingw"
  exit 77
fi
[ "$(basename "$kit")" = "tarvelin-$version.zip" ] || fail "the kit is named $(basename "$kit"), not for version $version"
[ -f "$kit" ] || { echo "FAIL: no kit at $kit"; exit 1; }
unzip -q "$kit" -d "$work/unpacked" || { echo "FAIL: $kit does not unzip"; exit 1; }
top=$(cd "$work/unpacked" && ls -A)
[ "$top" = "tarvelin-$version" ] || { echo "FAIL: the kit unpacks into: $top"; exit 1; }
root=$work/unpacked/$top

# Exactly these files, with these modes as unzip leaves them.
wanted="-rwxr-xr-x tarvelin-art
-rw-r--r-- tarvelin-art.exe
-rw-r--r-- tarvelin-$version-source.tar.xz
-rw-r--r-- LIBRARIES.txt
-rw-r--r-- AUTHORS-GUIDE.md
-rwxr-xr-x medium/.tarvelin
-rw-r--r-- medium/tarvelin.exe
-rw-r--r-- medium/autorun.inf
-rwxr-xr-x medium/autorun.sh
-rw-r--r-- medium/options.ini
-rw-r--r-- medium/LICENSES.txt
-rw-r--r-- medium/licenses/Tarvelin.txt"
for text in "$source"/packaging/licenses/*.txt; do
  wanted+=$'\n'"-rw-r--r-- medium/licenses/$(basename "$text")"
done
actual=$(cd "$root" && find . -type f -printf '%M %P\n' | LC_ALL=C sort -k2)
wanted=$(LC_ALL=C sort -k2 <<<"$wanted")
[ "$actual" = "$wanted" ] || fail "the kit holds:
$actual
wanted:
$wanted"

# The medium's files are the ones this build and the Windows build made, and packaging/'s.
same() { cmp -s "$1" "$2" || fail "${1#"$root"/} is not $2"; }
same "$root/medium/.tarvelin" "$linux"
same "$root/medium/tarvelin.exe" "$windows"
same "$root/tarvelin-art.exe" "$(dirname "$windows")/tarvelin-art.exe"
same "$root/AUTHORS-GUIDE.md" "$source/packaging/AUTHORS-GUIDE.md"
for file in autorun.inf autorun.sh LICENSES.txt; do same "$root/medium/$file" "$source/packaging/$file"; done
same "$root/medium/options.ini" "$source/examples/disc/options.ini"
same "$root/medium/licenses/Tarvelin.txt" "$source/LICENSE"
for text in "$source"/packaging/licenses/*.txt; do same "$root/medium/licenses/$(basename "$text")" "$text"; done

# Every file LICENSES.txt names is in the kit: the licence texts beside it, the kit's own files at
# the kit's top.
named=$(grep -oE '[A-Za-z0-9_./-]+\.(txt|tar\.xz)' "$root/medium/LICENSES.txt" | sed "s/VERSION/$version/" | sort -u)
[ -n "$named" ] || fail "medium/LICENSES.txt names no file"
for path in $named; do
  case $path in
    licenses/*) [ -f "$root/medium/$path" ] || fail "medium/LICENSES.txt names $path, which medium/ does not hold" ;;
    *) [ -f "$root/$path" ] || [ -f "$root/medium/$path" ] || fail "medium/LICENSES.txt names $path, which the kit does not hold" ;;
  esac
done

# LIBRARIES.txt: each program's libraries, each at the version the program shows where it shows
# one (libpng's and zlib's version strings, the GCC that compiled its runtime, the folder SDL was
# built in), and every library whose marks the program carries is named.
manifest=$root/LIBRARIES.txt
section() {  # PROGRAM: the library lines of PROGRAM's section
  awk -v program="$1" '$0 == program { inside = 1; next } /^[^ ]/ || /^$/ { inside = 0 } inside' "$manifest"
}
for program in medium/tarvelin.exe medium/.tarvelin tarvelin-art tarvelin-art.exe; do
  lines=$(section "$program")
  [ -n "$lines" ] || { fail "LIBRARIES.txt has no section for $program"; continue; }
  text=$(strings -a "$root/$program")
  while IFS= read -r line; do
    [[ $line =~ ^\ \ (.+)\ ([^ ]+):\ Debian\ source\ package\ ([^ ]+)\ ([^ ]+)\ \(([a-z]+)\) ]] ||
      { fail "$program: a line of LIBRARIES.txt is not NAME VERSION: Debian source package NAME VERSION (RELEASE): $line"; continue; }
    name=${BASH_REMATCH[1]} library_version=${BASH_REMATCH[2]} package=${BASH_REMATCH[3]} package_version=${BASH_REMATCH[4]}
    # zlib's version is a string of its own, the others' are part of longer ones.
    exact=""
    case $name in
      libpng) shows="libpng version $library_version" ;;
      zlib) shows=$library_version exact=x ;;
      SDL) shows="/usr/src/sdl/$package-${package_version%-*}/"
        [[ $package_version == "$library_version"* ]] || fail "$program: SDL $library_version from $package $package_version" ;;
      GCC*) if [[ $program == *.exe ]]; then shows=""; else shows="GCC: (Debian ${package_version}) $library_version"; fi ;;
      *) shows="" ;;
    esac
    if [ -n "$shows" ] && ! grep -q${exact}F -- "$shows" <<<"$text"; then
      fail "$program: LIBRARIES.txt says $name $library_version ($package $package_version), but the program does not show \"$shows\""
    fi
  done <<<"$lines"
  # name MARK LIBRARY: the program carries LIBRARY when its text holds MARK.
  for mark in "libpng version|libpng" "incorrect header check|invalid distance too far back|zlib" \
    "Premature end of JPEG file|libjpeg-turbo" "Failed to read from given file|giflib" "made histogram|libimagequant" \
    "^SDL_VIDEO|SDL" "Mingw-w64 runtime failure|mingw-w64 runtime" "basic_string::|vector::_M_|GCC runtime libraries"; do
    library=${mark##*|} pattern=${mark%|*}
    if grep -qE -- "$pattern" <<<"$text" && ! grep -q "^  $library " <<<"$lines"; then
      fail "$program carries $library, which LIBRARIES.txt does not name for it"
    fi
  done
done
for shown in "libpng 1.6.37" "zlib 1.2.11"; do  # what this kit's Linux tool is known to carry
  section tarvelin-art | grep -q "^  $shown:" || fail "LIBRARIES.txt does not name $shown for tarvelin-art"
done

# The tools' corresponding source: this source tree as the kit was built from it, and the Debian
# source package of each GPL library in the tools, libimagequant, its files as its .dsc lists them.
source_archive=$root/tarvelin-$version-source.tar.xz
mkdir -p "$work/source"
if tar -xJf "$source_archive" -C "$work/source"; then
  tree=$work/source/tarvelin-$version-source
  [ -f "$tree/SOURCE.txt" ] || fail "the source archive has no SOURCE.txt"
  if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
    while IFS= read -r -d '' file; do
      [ -f "$source/$file" ] || continue
      cmp -s "$tree/tarvelin-$version/$file" "$source/$file" || fail "the source archive's $file is not this source tree's"
    done < <(git -C "$source" ls-files -z --cached --others --exclude-standard)
  fi
  for program in tarvelin-art tarvelin-art.exe; do
    while IFS= read -r line; do
      [[ $line =~ ^\ \ (.+)\ ([^ ]+):\ Debian\ source\ package\ ([^ ]+)\ ([^ ]+)\ \( ]] || continue
      name=${BASH_REMATCH[1]} package=${BASH_REMATCH[3]} package_version=${BASH_REMATCH[4]}
      [ "$name" = libimagequant ] || continue
      dsc=$tree/debian/${package}_${package_version#*:}.dsc
      [ -f "$dsc" ] || { fail "the source archive has no $(basename "$dsc") ($name in $program)"; continue; }
      listed=$(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$dsc" | awk 'NF == 3 { print $1 "  " $3 }')
      [ -n "$listed" ] || fail "$(basename "$dsc") lists no files"
      (cd "$tree/debian" && sha256sum --quiet -c - <<<"$listed" >/dev/null 2>&1) ||
        fail "the source archive does not hold $(basename "$dsc")'s files whole"
    done < <(section "$program")
  done
  for program in tarvelin-art tarvelin-art.exe; do
    section "$program" | grep -q "^  libimagequant " || fail "LIBRARIES.txt names no libimagequant in $program"
  done
else
  fail "$source_archive does not unpack"
fi

# The guide's example options.ini, followed as the guide says (a program named without an
# extension is one for each system side by side: a Windows program, and a script with Unix line
# ends and its execute bit; a name with .exe a Windows program; a name with another extension the
# document it names; a link no file),
# makes with the kit's tool a medium on which check finds every entry starting something on
# Windows and on Linux, without a warning.
guide=$root/AUTHORS-GUIDE.md
awk '/^### 1\./ { step = 1 } step && /^```/ { if (inside) exit; inside = 1; next } inside' "$guide" >"$work/guide-options.ini"
[ "$(wc -l <"$work/guide-options.ini")" -eq 6 ] || fail "the guide's first example is not an options.ini of a title and five entries"
disc=$work/guide-disc
if "$root/tarvelin-art" medium "$disc" --options "$work/guide-options.ini" >"$work/guide-medium.out" 2>&1; then
  tail -n +2 "$work/guide-options.ini" | while IFS= read -r entry; do
    entry=${entry#\"} && entry=${entry%%[ \"]*} && entry=${entry//\\//}
    case $entry in
      *:*) ;;  # a link
      *.exe) mkdir -p "$disc/$(dirname "$entry")" && cp "$root/medium/tarvelin.exe" "$disc/$entry" ;;
      */*.*|*.*) mkdir -p "$disc/$(dirname "$entry")" && echo "the author's $entry" >"$disc/$entry" ;;
      *) mkdir -p "$disc/$(dirname "$entry")"
        cp "$root/medium/tarvelin.exe" "$disc/$entry.exe"
        printf '#!/bin/sh\nexit 0\n' >"$disc/$entry" && chmod +x "$disc/$entry" ;;
    esac
  done
  "$root/tarvelin-art" check "$disc" >"$work/guide-check.out" 2>&1 || fail "check of the guide's medium: $(cat "$work/guide-check.out")"
  ! grep -q 'warning' "$work/guide-check.out" || fail "the guide's example, followed, gives warnings: $(grep warning "$work/guide-check.out")"
  grep -q 'entry 5 .*Windows.*; Linux' "$work/guide-check.out" || fail "check reported no entries: $(cat "$work/guide-check.out")"
else
  fail "the kit's tarvelin-art medium with the guide's options.ini: $(cat "$work/guide-medium.out")"
fi
# What the guide tells beside the example: check, what entries can be, the encodings, scripts'
# line ends and execute bits; and, in plain words, what binds a medium.
for told in 'tarvelin-art check' 'document' 'folder' 'link' 'UTF-8' 'UTF-16' '#!' 'Unix line ends' 'chmod +x' \
  'are under the MIT licence' 'stay yours' 'does not make your medium' '`LICENSES.txt` and the folder `licenses/` must stay on the medium'; do
  grep -qF -- "$told" "$guide" || fail "AUTHORS-GUIDE.md does not tell: $told"
done

# As a medium carries them: the Linux program without a symbol table, both programs for their system.
readelf -h "$root/medium/.tarvelin" 2>/dev/null | grep -q 'Machine: *Advanced Micro Devices X86-64' ||
  fail "medium/.tarvelin is not an x86-64 Linux program"
if readelf -S "$root/medium/.tarvelin" | grep -q ' \.symtab '; then fail "medium/.tarvelin is not stripped"; fi
for exe in medium/tarvelin.exe tarvelin-art.exe; do
  i686-w64-mingw32-objdump -f "$root/$exe" 2>/dev/null | grep -q 'file format pei-i386' ||
    fail "$exe is not a 32-bit x86 Windows program"
done

# Both tools run on their system with nothing installed: the Linux one needs only glibc, no newer
# than 2.17; the Windows one only the system's DLLs.
needed=$(readelf -d "$root/tarvelin-art" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | xargs)
others=$(for library in $needed; do
  grep -qxE 'libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2' <<<"$library" ||
    echo "$library"
done | xargs)
[ -n "$needed" ] && [ -z "$others" ] || fail "tarvelin-art needs $needed; not glibc's: $others"
newest=$(readelf -V "$root/tarvelin-art" 2>/dev/null | sed -n 's/.*Name: GLIBC_\([0-9][0-9.]*\) .*/\1/p' | sort -V | tail -n 1)
[ -n "$newest" ] && [ "$(printf '%s\n' "$newest" 2.17 | sort -V | tail -n 1)" = 2.17 ] ||
  fail "tarvelin-art asks for glibc ${newest:-(none)}, newer than 2.17"
for exe in medium/tarvelin.exe tarvelin-art.exe; do
  imports=$(i686-w64-mingw32-objdump -p "$root/$exe" 2>/dev/null | sed -n 's/^\s*DLL Name: //p' | xargs)
  foreign=$(for dll in $imports; do
    grep -qixE '(kernel32|user32|gdi32|shell32|advapi32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt|version|bcrypt|windowscodecs)\.dll' <<<"$dll" ||
      echo "$dll"
  done | xargs)
  [ -n "$imports" ] && [ -z "$foreign" ] || fail "$exe imports $imports; not Windows' own: $foreign"
done

# One version everywhere.
shown=$("$root/tarvelin-art" --version 2>&1)
[ "$shown" = "tarvelin-art $version" ] || fail "tarvelin-art --version says: $shown"
resource=$(python3 "$(dirname "$0")/version_resource.py" "$root/medium/tarvelin.exe" 2>&1)
[ "$resource" = "FileVersion $version.0
ProductVersion $version.0
FileVersion $version
ProductVersion $version" ] || fail "tarvelin.exe's version resource says: $resource"

# tarvelin.exe's icon at every size Windows shows, in 32-bit colour with alpha, among its
# resources: 16 and 32 as bitmaps (twice as tall, for the mask), the others as PNG.
sizes=$(python3 - "$root/medium/tarvelin.exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
bitmaps = [side for side in (16, 32) if struct.pack("<IiiHH", 40, side, 2 * side, 1, 32) in data]
pngs = [side for side in (24, 48, 64, 256)
        if b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + struct.pack(">II", side, side) + b"\x08\x06" in data]
print(*sorted(bitmaps + pngs))
PY
)
[ "$sizes" = "16 24 32 48 64 256" ] || fail "tarvelin.exe carries 32-bit icons of the sizes: $sizes"

echo "kit: $(basename "$kit"), $(stat -c %s "$kit") bytes; $(cd "$root" && find . -type f | wc -l) files;" \
  "source archive $(stat -c %s "$source_archive" 2>/dev/null || echo none) bytes"
finish
