#!/usr/bin/env bash
# Every library linked into a shipped program has its notice in the LICENSES.txt that the medium and
# the package carry beside the programs, and tarvelin-art lays out that same file. What a program
# carries is read from the program itself: the libraries it loads (ELF NEEDED entries, PE imports)
# and the marks each part that is linked in statically leaves in it.
# The author's tool as it ships, for Linux and for Windows, is read the same way, with the marks of
# the libraries it reads pictures and chooses colours with.
# A medium holds, beside LICENSES.txt, every licence text it names, and the notices hold what their
# licences ask to go with a binary: mingw-w64's conditions, the Bitstream Vera notice (as this
# machine's Debian packages give them), and the notice of every part of SDL's source under a
# licence of its own (as the build root's SDL source gives them, when it is there).
#   notices_test.sh TARVELIN_ART LINUX_PROGRAM WINDOWS_PROGRAM LICENSES.txt LINUX_TOOL WINDOWS_TOOL [SDL_SOURCES]
# SDL_SOURCES: the folder that holds SDL's unpacked source package (the build root's /usr/src/sdl).
# Exits 77 (skipped) when a tool or the Windows program has not been built, after checking the rest.
set -uo pipefail
tool=$1 linux=$2 windows=$3 licenses=$4 linux_tool=$5 windows_tool=$6 sdl_sources=${7:-}
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"

# noticed PROGRAM PART: LICENSES.txt has a notice for PART, one of the programs' parts.
noticed() { grep -qxF "== $2 ==" "$licenses" || fail "$1 carries $2, which $licenses has no notice for"; }
# marked PROGRAM PATTERN PART: PART is linked in when the program's text holds PATTERN.
# (grep reads all of it: with -q, strings would end on a broken pipe and fail the pipeline.)
marked() { if strings -a "$1" | grep -E -- "$2" >/dev/null; then noticed "$1" "$3"; fi; }

# The libraries a program loads are the system's own (its notice says they are not carried), or a
# part that the notices must name: none is expected, so one that appears fails until it is noticed.
system_libraries_only() {  # PROGRAM KNOWN_PATTERN LIBRARY...
  local program=$1 known=$2 library
  shift 2
  for library in "$@"; do
    if grep -qiE "^($known)\$" <<<"$library"; then noticed "$program" "System libraries"
    else fail "$program loads $library, which is neither a system library nor noticed"; fi
  done
}

[ -f "$licenses" ] || { echo "FAIL: no $licenses"; exit 1; }
for program in "$linux" "$windows" "$linux_tool" "$windows_tool"; do
  [ -f "$program" ] || continue
  noticed "$program" "Tarvelin"
  # The text of the built-in pictures is drawn from DejaVu Sans (art/make-art.sh), and so are the
  # glyphs of the Linux program's message box.
  noticed "$program" "DejaVu fonts"
  marked "$program" "basic_string::|vector::_M_|GCC: \(" "GCC runtime libraries"
done

mapfile -t needed < <(readelf -d "$linux" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ "${#needed[@]}" -gt 0 ] || fail "$linux loads no library: not the program this test knows"
system_libraries_only "$linux" 'libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2' \
  "${needed[@]}"
marked "$linux" "^SDL_VIDEO" "SDL 2"

# The tools' libraries, each by words of its own that the tool carries: the decoders' messages,
# libimagequant's report of its histogram.
tool_libraries() {  # TOOL
  marked "$1" "libpng version" "libpng"
  marked "$1" "incorrect header check|invalid distance too far back" "zlib"
  marked "$1" "Premature end of JPEG file" "libjpeg-turbo"
  marked "$1" "Failed to read from given file" "giflib"
  marked "$1" "made histogram" "libimagequant"
}
if [ -f "$linux_tool" ]; then
  mapfile -t needed < <(readelf -d "$linux_tool" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  system_libraries_only "$linux_tool" 'libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2' \
    "${needed[@]}"
  tool_libraries "$linux_tool"
  # Each library's marks are there, or the test would pass a tool that stopped carrying a notice's mark.
  [ "$(strings -a "$linux_tool" | grep -cE 'libpng version|Premature end of JPEG file|Failed to read from given file|made histogram')" -ge 4 ] ||
    fail "$linux_tool: the marks of its libraries are not all there: not the tool this test knows"
else
  echo "note: no $linux_tool to read"
  unread=$linux_tool
fi

# tarvelin-art lays out the same file on a medium.
printf '"Notices"\n' >"$work/options.ini"
printf 'stand-in' >"$work/program"
"$tool" medium "$work/disc" --options "$work/options.ini" --linux "$work/program" --windows "$work/program" >/dev/null 2>&1 ||
  fail "tarvelin-art medium failed"
cmp -s "$work/disc/LICENSES.txt" "$licenses" || fail "the medium's LICENSES.txt is not $licenses"
texts=$(dirname "$licenses")/licenses
named=$(grep -oE 'licenses/[A-Za-z0-9_.-]+\.txt' "$licenses" | sort -u)
[ -n "$named" ] || fail "$licenses names no licence text"
for path in $named; do
  [ -f "$work/disc/$path" ] || fail "LICENSES.txt names $path, which the medium does not hold"
done
for text in "$texts"/*.txt; do
  cmp -s "$work/disc/licenses/$(basename "$text")" "$text" || fail "the medium's licenses/$(basename "$text") is not $text"
done
cmp -s "$work/disc/licenses/Tarvelin.txt" "$(dirname "$licenses")/../LICENSE" || fail "the medium's licenses/Tarvelin.txt is not LICENSE"

flat_lines() { while IFS= read -r line; do flat <<<"$line"; done; }
# in_notice TEXT WHERE: TEXT stands in LICENSES.txt as it is, but for line breaks and spaces.
flat() { tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//'; }
flat_licenses=$(flat <"$licenses")
in_notice() { grep -qF -- "$(flat <<<"$1")" <<<"$flat_licenses" || fail "LICENSES.txt lacks $2: $(flat <<<"$1" | cut -c1-100)..."; }
# debian_licence FILE NAME: the text of the licence NAME of a Debian copyright file.
debian_licence() { sed -n "/^License: $2\$/,/^[^ ]/p" "$1" | sed '1d;$d' | grep -vx ' \.' | sed 's/^ //'; }
mingw_copyright=/usr/share/doc/mingw-w64-i686-dev/copyright
if [ -f "$mingw_copyright" ]; then
  zpl=$(debian_licence "$mingw_copyright" ZPL-2.1)
  in_notice "$(sed -n '1,/^Disclaimer/p' <<<"$zpl" | sed '$d')" "mingw-w64's conditions (ZPL 2.1)"
  in_notice "$(sed -n '/^Disclaimer/,$p' <<<"$zpl" | sed 1d)" "mingw-w64's disclaimer"
else
  echo "note: no $mingw_copyright to compare mingw-w64's notice with"
fi
dejavu_copyright=/usr/share/doc/fonts-dejavu-core/copyright
if [ -f "$dejavu_copyright" ]; then
  in_notice "$(debian_licence "$dejavu_copyright" bitstream-vera)" "the Bitstream Vera notice"
  in_notice "Copyright (c) 2003 by Bitstream, Inc. All Rights Reserved." "Bitstream's copyright"
else
  echo "note: no $dejavu_copyright to compare the DejaVu notice with"
fi
# Each copyright line of SDL's Wayland protocols and of its sources by other authors than SDL's.
sdl_source=$(find "${sdl_sources:-/nonexistent}" -mindepth 1 -maxdepth 1 -type d -name 'libsdl2-*' 2>/dev/null | head -n 1)
if [ -n "$sdl_source" ] && [ -d "$sdl_source/wayland-protocols" ]; then
  parts=$(flat <"$texts/SDL2-parts.txt")
  for file in "$sdl_source"/wayland-protocols/*.xml "$sdl_source"/src/libm/*.c "$sdl_source/src/events/imKStoUCS.c" \
    "$sdl_source/src/video/x11/edid-parse.c"; do
    while IFS= read -r line; do
      grep -qF -- "$line" <<<"$parts" || fail "licenses/SDL2-parts.txt lacks $(basename "$file")'s \"$line\""
    done < <(grep -E '^[ *]*Copyright' "$file" | sed 's/^[ *]*//; s/&lt;/</g; s/&gt;/>/g' | flat_lines)
  done
else
  echo "note: no SDL source in '$sdl_sources' to compare the notices of SDL's parts with"
fi

if [ ! -f "$windows" ]; then
  echo "note: no $windows to read"
  [ "$failures" -eq 0 ] && exit 77
  exit "$failures"
fi
mapfile -t imports < <(i686-w64-mingw32-objdump -p "$windows" | sed -n 's/^\s*DLL Name: //p')
[ "${#imports[@]}" -gt 0 ] || fail "$windows imports nothing: not the program this test knows"
system_libraries_only "$windows" '(kernel32|user32|gdi32|shell32|advapi32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt|winmm|version|uxtheme|dwmapi|imm32|ws2_32|bcrypt|api-ms-win-[a-z0-9-]+)\.dll' \
  "${imports[@]}"
marked "$windows" "Mingw-w64 runtime failure|mingw" "mingw-w64 runtime"

if [ ! -f "$windows_tool" ]; then
  echo "note: no $windows_tool to read"
  [ "$failures" -eq 0 ] && exit 77
  finish
fi
mapfile -t imports < <(i686-w64-mingw32-objdump -p "$windows_tool" | sed -n 's/^\s*DLL Name: //p')
[ "${#imports[@]}" -gt 0 ] || fail "$windows_tool imports nothing: not the tool this test knows"
system_libraries_only "$windows_tool" '(kernel32|user32|gdi32|shell32|advapi32|ole32|msvcrt|api-ms-win-[a-z0-9-]+)\.dll' \
  "${imports[@]}"
marked "$windows_tool" "Mingw-w64 runtime failure|mingw" "mingw-w64 runtime"
tool_libraries "$windows_tool"

if [ "$failures" -eq 0 ] && [ -n "${unread:-}" ]; then
  echo "SKIP: no $unread to read"
  exit 77
fi
finish
