#!/usr/bin/env bash
# tarvelin-art check, and medium after laying out: what each entry of options.ini starts on Windows
# and on Linux by the programs' own rules, on media this test lays out, and a warning for each
# entry that starts nothing on one of the systems.
#   check_test.sh TARVELIN_ART
set -uo pipefail
tool=$1
# shellcheck source=tests/tools/check_lib.sh
source "$(dirname "$0")/check_lib.sh"
cd "$work" || exit 1

# check STATUS FOLDER: runs `check FOLDER`, keeping its output in $output, and wants STATUS.
check() {
  output=$("$tool" check "$2" 2>&1)
  local status=$?
  [ "$status" -eq "$1" ] || fail "check $2 -> status $status (wanted $1): $output"
}
has() { grep -qF -- "$1" <<<"$output" || fail "no \"$1\" in: $output"; }
lacks() { ! grep -qF -- "$1" <<<"$output" || fail "\"$1\" in: $output"; }
# Stand-ins: a Windows program starts with "MZ"; an x86-64 Linux program with its ELF header.
windows_program() { mkdir -p "$(dirname "$1")" && printf 'MZ\220\000 stand-in' >"$1"; }
linux_program() { mkdir -p "$(dirname "$1")" && printf '\177ELF\002\001\001\000\000\000\000\000\000\000\000\000\002\000\076\000' >"$1"; }
script() { mkdir -p "$(dirname "$1")" && printf '#!/bin/sh\necho installing\n' >"$1"; }
# options FOLDER LINE...: options.ini with CR LF line ends, as Windows editors save it.
options() {
  local folder=$1
  shift
  mkdir -p "$folder"
  printf '%s\r\n' "$@" >"$folder/options.ini"
}

# Names without extension and a program for each system side by side: every entry starts on both.
options both "Both Systems" 'setup /quiet' 'docs\read me.txt' 'https://example.org/help' 'tools\install' docs
windows_program both/setup.exe
script both/setup
mkdir -p both/docs && echo "read me" >"both/docs/read me.txt"
windows_program both/tools/install.exe
linux_program both/tools/install
chmod +x both/setup both/tools/install
check 0 both
has 'entry 1 "setup /quiet": Windows runs setup.exe on the medium; Linux runs setup on the medium (a script, through /bin/sh)'
has 'entry 2 "docs\read me.txt": Windows opens docs\read me.txt with the program Windows has for .txt files; Linux gives docs/read me.txt to the desktop'"'"'s opener'
has 'entry 3 "https://example.org/help": Windows opens the link https://example.org/help in the user'"'"'s browser'
has 'entry 4 "tools\install": Windows runs tools\install.exe on the medium; Linux runs tools/install on the medium (an x86-64 program)'
has 'entry 5 "docs": Windows opens the folder docs in Explorer; Linux opens the folder docs in the file manager'
lacks "warning:"
lacks "could not be found"
lacks "execute bits"

# The README's old convention, .exe in every name: Windows only. Each entry warns for Linux, and
# as each starts something somewhere the status stays 0.
options windows-only "Windows Only" setup.exe setup.exe setup.exe setup.exe setup.exe
windows_program windows-only/setup.exe
check 0 windows-only
has 'entry 1 "setup.exe": Windows runs setup.exe on the medium; Linux starts nothing (setup.exe is a Windows program, which the desktop'"'"'s opener runs only where Wine is installed) and the menu says "The file setup.exe could not be found."'
has "warning: entry 5 starts nothing on Linux: setup.exe is a Windows program"
[ "$(grep -c '^warning: entry [1-5] starts nothing on Linux' <<<"$output")" -eq 5 ] || fail "five warnings wanted: $output"
lacks "starts nothing on Windows"

# A medium made on Windows: names in another case than options.ini's (OPTIONS.INI itself too,
# which the programs find as Windows does); a script saved with CR LF
# line ends; a name that is nowhere; the last two lines left out, so the built-in commands stand.
options windows-made "Made on Windows" 'setup\setup -v' 'tools\crlf' 'extras\missing.exe'
windows_program windows-made/SETUP/Setup.EXE
linux_program windows-made/SETUP/SETUP
windows_program windows-made/tools/crlf.exe
printf '#!/bin/sh\r\necho installing\r\n' >windows-made/tools/crlf
mv windows-made/options.ini windows-made/OPTIONS.INI
check 1 windows-made
has 'entry 1 "setup\setup -v": Windows runs SETUP\Setup.EXE on the medium; Linux runs SETUP/SETUP on the medium (an x86-64 program)'
# Copied from a Windows file system, the program has no execute bit: on a medium that keeps them,
# the Linux program hands it to the opener.
has "(an x86-64 program) only where the medium's file system keeps no execute bits (FAT, exFAT, ISO 9660 without Rock Ridge), as it has none: elsewhere it goes to the desktop's opener (chmod +x SETUP/SETUP)"
has 'entry 2 "tools\crlf": Windows runs tools\crlf.exe on the medium; Linux starts nothing'
has 'warning: entry 2 starts nothing on Linux: tools/crlf: its first line ends in a carriage return (saved with Windows line ends), so its interpreter would be "/bin/sh\r"'
has 'entry 3 "extras\missing.exe": Windows starts nothing (no file extras\missing.exe is on the medium) and the menu says "The file extras\missing.exe could not be found."; Linux starts nothing'
has "warning: entry 3 starts nothing on Windows"
has "warning: entry 3 starts nothing on Linux"
has 'entry 4 "devkit\setup.exe" (the built-in command): Windows starts nothing'
has 'entry 5 "server\setup.exe" (the built-in command): Windows starts nothing'
has "warning: entry 5 starts nothing on Linux"
lacks "warning: entry 1"

# An old disc's 32-bit x86 installer runs where the user's system has its 32-bit loader, named in
# its header; a program for 64-bit ARM runs nowhere the menu is for.
# x86_program FILE: the ELF header of a 32-bit x86 program and its one program header, PT_INTERP.
x86_program() {
  mkdir -p "$(dirname "$1")"
  perl -e 'print pack("a16 v2 V5 v6", "\x7fELF\x01\x01\x01", 2, 3, 1, 0, 52, 0, 0, 52, 32, 1, 0, 0, 0),
                 pack("V8", 3, 84, 0, 0, 19, 19, 4, 1), "/lib/ld-linux.so.2\0"' >"$1"
}
options old-disc "Old Disc" 'install\setup' 'tools\arm'
x86_program old-disc/install/setup
linux_program old-disc/tools/arm
printf '\267' | dd of=old-disc/tools/arm bs=1 seek=18 conv=notrunc status=none
chmod +x old-disc/install/setup old-disc/tools/arm
check 1 old-disc
has 'entry 1 "install\setup": Windows starts nothing (install\setup has no extension, so Windows has no program to open it with) and the menu says "The file install\setup could not be found."; Linux runs install/setup on the medium (a 32-bit x86 program, through its loader /lib/ld-linux.so.2, which x86-64 systems have where their 32-bit libraries are installed)'
has 'warning: entry 2 starts nothing on Linux: tools/arm is a program for another kind of processor (ELF machine 183), not for x86-64'
lacks "warning: entry 1 starts nothing on Linux"

# Without options.ini every entry has its built-in command; a bare name is looked for by the
# system, which may or may not have it.
mkdir -p bare
check 1 bare
has "bare: no options.ini, so every entry has its built-in command"
has 'entry 1 "guide\guide.exe" (the built-in command): Windows starts nothing'
options search "Search" notepad
check 1 search
has 'entry 1 "notepad": Windows looks for notepad.exe in the system'"'"'s folders and PATH, where the user'"'"'s system may or may not have it; Linux looks for notepad in PATH'
lacks "warning: entry 1"

# The command is wrong, or the folder is not there.
# wrong STATUS MESSAGE ARGUMENT...: check with the arguments ends with STATUS and says MESSAGE.
wrong() {
  local status=$1 message=$2 actual
  shift 2
  output=$("$tool" check "$@" 2>&1)
  actual=$?
  [ "$actual" -eq "$status" ] || fail "check $* -> status $actual (wanted $status): $output"
  has "$message"
}
wrong 2 "give the medium's folder"
wrong 2 "give the medium's folder" both windows-only
wrong 2 "check takes only the medium's folder" --preview preview.png both
wrong 1 "nowhere: not a folder" nowhere

# medium ends with the same report: here options.ini names a Windows program the medium lacks,
# and the setup script for Linux is there.
printf 'MZ stand-in' >tarvelin.exe
printf '\177ELF stand-in' >tarvelin
printf '"Laid Out"\r\nsetup\r\n' >laid.ini
mkdir -p laid && script laid/setup
output=$("$tool" medium laid --options laid.ini --linux tarvelin --windows tarvelin.exe 2>&1) ||
  fail "medium: $output"
has "laid out"
has 'entry 1 "setup": Windows starts nothing'
has 'Linux runs setup on the medium (a script, through /bin/sh)'
has "warning: entry 1 starts nothing on Windows"
has 'entry 2 "browser\brsetup.exe" (the built-in command)'

# medium --programs copies the author's programs in before the report: every entry starts
# something on both systems, and no warning shows. Their folders and execute bits come along.
mkdir -p programs/tools
windows_program programs/setup.exe && script programs/setup && chmod +x programs/setup
windows_program programs/tools/install.exe && linux_program programs/tools/install && chmod +x programs/tools/install
mkdir -p programs/docs && echo "read me" >"programs/docs/read me.txt"
printf '"With Programs"\r\nsetup /quiet\r\ndocs\\read me.txt\r\nhttps://example.org/help\r\ntools\\install\r\ndocs\r\n' >programs.ini
output=$("$tool" medium served --options programs.ini --programs programs --linux tarvelin --windows tarvelin.exe 2>&1) ||
  fail "medium --programs: $output"
has "served: options.ini, .tarvelin, tarvelin.exe, autorun.inf, autorun.sh, LICENSES.txt, licenses/, 5 files of your programs laid out"
lacks "warning"
lacks "starts nothing"
[ -x served/setup ] && [ -x served/tools/install ] && [ ! -x served/setup.exe ] && cmp -s programs/tools/install served/tools/install ||
  fail "the programs copied: $(cd served && find . -type f -exec ls -l {} +)"
# A program named as a file of the menu's own, or a folder that holds the medium, is refused.
printf 'mine' >programs/autorun.inf
output=$("$tool" medium served --options programs.ini --programs programs --linux tarvelin --windows tarvelin.exe 2>&1)
has "programs/autorun.inf: would take the place of the menu's own autorun.inf"
rm programs/autorun.inf
output=$("$tool" medium programs/disc --options programs.ini --programs programs --linux tarvelin --windows tarvelin.exe 2>&1)
has "programs: holds the medium's folder programs/disc"
[ ! -e programs/disc ] || fail "a refused medium left programs/disc behind"

finish
