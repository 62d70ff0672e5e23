#!/usr/bin/env bash
# Every library linked into a shipped program has its notice in the LICENSES.txt that the medium and
# the package carry beside the programs, and tarvelin-art lays out that same file. What a program
# carries is read from the program itself: the libraries it loads (ELF NEEDED entries, PE imports)
# and the marks each part that is linked in statically leaves in it.
# The author's tool as it ships, for Linux and for Windows, is read the same way, with the marks of
# the libraries it reads pictures and chooses colours with.
#   notices_test.sh TARVELIN_ART LINUX_PROGRAM WINDOWS_PROGRAM LICENSES.txt LINUX_TOOL WINDOWS_TOOL
# Exits 77 (skipped) when a tool or the Windows program has not been built, after checking the rest.
set -uo pipefail
tool=$1 linux=$2 windows=$3 licenses=$4 linux_tool=$5 windows_tool=$6
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
