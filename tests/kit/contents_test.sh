#!/usr/bin/env bash
# The author's kit as an author unpacks it: one folder named as the zip, holding exactly the tool
# for both systems, the guide, and the medium's files with the full licence texts; the programs are
# the ones this build and the Windows build made, the Linux program stripped, modes kept; the
# version of the zip's name, of `tarvelin-art --version` and of tarvelin.exe's version resource is
# the project's.
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

echo "kit: $(basename "$kit"), $(stat -c %s "$kit") bytes; $(cd "$root" && find . -type f | wc -l) files"
finish
