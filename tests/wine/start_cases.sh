#!/usr/bin/env bash
# End-to-end cases of tarvelin.exe under Wine about what a click starts: programs with their
# arguments in the application directory, documents, links and folders through their openers (from
# a thread in a COM apartment), names with spaces, programs of the system folder, a menu on a
# network share, the demo disc, and no DLL planted beside the program loaded.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_activation() {
  # The disc is drive D: and the program sits at its root, so the application directory is "D:\";
  # the menu starts with the current directory on another drive (Z:).
  make_disc "$work/disc" activation.ini
  mkdir -p "$work/disc/tools"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  disc_is_drive_d "$work/disc"
  start_menu 'D:\tarvelin.exe'
  local record=$work/disc/tools/standin-record.txt

  highlight 1
  xdotool click 1
  local deadline=$((SECONDS + 30))
  until [ "$(wc -l <"$record" 2>/dev/null || echo 0)" -ge 3 ]; do
    [ $SECONDS -lt $deadline ] || fail "the entry's program did not start"
    sleep 0.1
  done
  local wanted='D:\
tools\standin.exe first "second arg"
1'
  [ "$(tr -d '\r' <"$record")" = "$wanted" ] || fail "started as
$(cat "$record")
wanted (directory, command line, SW_SHOWNORMAL)
$wanted"
  # The menu stays open with the entry still highlighted.
  expect_screen 1
  expect_running

  # A double-click starts the program once (its second press is no click); a click after it
  # starts it again. Each lands a few pixels from the last, so the system pairs only the two
  # presses of the double-click. The pointer's move to the bare window is handled after them.
  local left top width height
  read -r left top width height <<<"$(hot_spot 1)"
  pointer_to $((left + 20)) $((top + height / 2))
  xdotool click --repeat 2 --delay 60 1
  pointer_to $((left + width - 20)) $((top + height / 2))
  xdotool click 1
  pointer_to "$bare_x" "$bare_y"
  expect_screen 0
  deadline=$((SECONDS + 30))
  while [ -n "$(prefix_processes 'standin\.exe')" ]; do
    [ $SECONDS -lt $deadline ] || fail "stand-in programs still running after 30 s"
    sleep 0.1
  done
  local starts
  starts=$(($(wc -l <"$record") / 3))
  [ "$starts" -eq 3 ] || fail "$starts starts after a click, a double-click and a click; wanted 3"
  xdotool key Escape
  expect_exit 0
}

# make_documents_disc: drive D: holds the menu with documents.ini, the stand-in in tools\ and a
# document in docs\; the prefix opens .tvdoc documents, https: links and folders with the stand-in.
# Into HKEY_CLASSES_ROOT itself: Wine 8 does not look at the user's Software\Classes. Wine's own
# folder opener talks DDE to its explorer, which answers no one here, so that part goes.
make_documents_disc() {
  make_disc "$work/disc" documents.ini
  mkdir -p "$work/disc/tools" "$work/disc/docs"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  echo 'A document' >"$work/disc/docs/guide.tvdoc"
  disc_is_drive_d "$work/disc"
  cp "$fixtures/documents.reg" "$work/disc/types.reg"
  wine regedit /S 'D:\types.reg' >/dev/null 2>&1 || fail "the document types could not be registered"
}

case_documents() {
  # The disc is drive D:. The prefix opens .tvdoc documents, https: links and folders with the
  # stand-in, as a system would with a viewer, a browser and a file manager.
  make_documents_disc
  start_menu 'D:\tarvelin.exe'
  local record=$work/disc/tools/standin-record.txt

  highlight 1
  xdotool click 1
  wait_for_starts "$record" 1
  highlight 2
  xdotool click 1
  expect_message 'docs\missing.tvdoc'
  highlight 3
  xdotool click 1
  wait_for_starts "$record" 2
  highlight 4
  xdotool click 1
  wait_for_starts "$record" 3
  highlight 5
  xdotool click 1
  wait_for_starts "$record" 4
  # Each opener ran in the application directory with the target as its argument.
  local wanted='D:\
"D:\tools\standin.exe" "D:\docs\guide.tvdoc"
1
D:\
"D:\tools\standin.exe" "https://example.org/guide?a=1"
1
D:\
"D:\tools\standin.exe" "D:\docs"
1
D:\
"D:\tools\standin.exe" "D:\docs\guide.tvdoc" /p 2
1'
  # An empty %* leaves a blank at the end of the line.
  [ "$(tr -d '\r' <"$record" | sed 's/ *$//')" = "$wanted" ] || fail "opened as
$(cat "$record")
wanted
$wanted"
  expect_screen 5
  xdotool key Escape
  expect_exit 0

  # A folder whose name has a space, unquoted, opens as "docs" does.
  mkdir -p "$work/disc/Extra Files"
  cp "$fixtures/folders.ini" "$work/disc/options.ini"
  start_menu 'D:\tarvelin.exe'
  highlight 1
  xdotool click 1
  wait_for_starts "$record" 5
  [ "$(tr -d '\r' <"$record" | sed -n '14s/ *$//p')" = '"D:\tools\standin.exe" "D:\Extra Files"' ] ||
    fail "the folder with a space opened as: $(tr -d '\r' <"$record" | sed -n '14p')"
  xdotool key Escape
  expect_exit 0
}

case_com_apartment() {
  # Documents and links open through the shell from a thread that has entered COM's
  # single-threaded apartment, with OLE1 DDE off (CoInitializeEx with 0x2 | 0x4), before its first
  # shell start and once. Wine's traces of COM and of the shell show which thread called what; they
  # go to the menu's log, as do the calls Wine's own parts make (its input method enters COM too).
  make_documents_disc
  WINEDEBUG=-all,+ole,+exec start_menu 'D:\tarvelin.exe'
  local record=$work/disc/tools/standin-record.txt

  highlight 1
  xdotool click 1
  wait_for_starts "$record" 1
  highlight 3
  xdotool click 1
  wait_for_starts "$record" 2
  local wanted='D:\
"D:\tools\standin.exe" "D:\docs\guide.tvdoc"
1
D:\
"D:\tools\standin.exe" "https://example.org/guide?a=1"
1'
  [ "$(tr -d '\r' <"$record" | sed 's/ *$//')" = "$wanted" ] || fail "opened as
$(cat "$record")
wanted
$wanted"
  xdotool key Escape
  expect_exit 0

  local log=$work/menu.log thread
  thread=$(sed -n 's/^\([0-9a-f]*\):trace:exec:SHELL_execute mask=.*/\1/p' "$log" | sort -u)
  [ "$(wc -l <<<"$thread")" -eq 1 ] && [ -n "$thread" ] ||
    fail "the shell starts were not made by one thread: '${thread//$'\n'/ }'"
  [ "$(grep -c "^$thread:trace:exec:SHELL_execute mask=" "$log")" -eq 2 ] || fail "not two shell starts in $log"
  local calls
  calls=$(grep -n "^$thread:trace:ole:CoInitializeEx 0*, 0x6$" "$log" || true)
  [ "$(grep -c . <<<"$calls")" -eq 1 ] ||
    fail "thread $thread entered the apartment with OLE1 DDE off $(grep -c . <<<"$calls") times, wanted once"
  [ "${calls%%:*}" -lt "$(grep -n -m1 "^$thread:trace:exec:SHELL_execute" "$log" | cut -d: -f1)" ] ||
    fail "thread $thread entered the apartment only after its first shell start"
}

case_system_folder() {
  # tarvelin.exe and the demo disc's stand-ins are 32-bit x86 programs, which every Windows runs,
  # 64-bit and ARM editions included. Here they run as on 64-bit Windows: in a 64-bit prefix,
  # where the system folder (C:\windows\system32) is the 64-bit one and a 32-bit program's view of
  # it is SysWOW64.
  local program format
  for program in "$build/tarvelin.exe" "$build"/demo-disc/*/*.exe; do
    format=$({ i686-w64-mingw32-objdump -f "$program" 2>&1 || true; } | sed -n 's/.*file format //p')
    [ "$format" = pei-i386 ] || fail "$program is not a 32-bit x86 program: $format"
  done
  local system32=$WINEPREFIX/drive_c/windows/system32 syswow64=$WINEPREFIX/drive_c/windows/syswow64
  [ -d "$syswow64" ] || fail "the prefix has no SysWOW64: not 64-bit Wine with its 32-bit half"

  # A program only the system folder has, as 64-bit Windows has programs that SysWOW64 lacks; entry
  # 1 names it with the folder, entry 2 by its bare name, as commands name msiexec or cmd.
  make_disc "$work/disc" system_folder.ini
  disc_is_drive_d "$work/disc"
  cp "$helpers/standin.exe" "$system32/tarvelin-native.exe"
  trap "rm -f '$system32/tarvelin-native.exe' '$system32/standin-record.txt' '$syswow64/standin-record.txt'; cleanup" EXIT
  start_menu 'D:\tarvelin.exe'
  highlight 1
  xdotool click 1
  # The stand-in, itself a 32-bit program, writes its record beside itself, into the system
  # folder; the system puts that into SysWOW64.
  local record=$syswow64/standin-record.txt
  wait_for_starts "$record" 1
  highlight 2
  xdotool click 1
  wait_for_starts "$record" 2
  local wanted='D:\
C:\windows\system32\tarvelin-native.exe /full "a b"
1
D:\
tarvelin-native /bare
1'
  [ "$(tr -d '\r' <"$record")" = "$wanted" ] || fail "started as
$(cat "$record")
wanted
$wanted"
  expect_screen 2
  xdotool key Escape
  expect_exit 0
}

case_network_share() {
  # The disc is a folder on the share \\tarvelin-server\share, which Wine serves from the folder
  # its prefix maps there (dosdevices/unc/SERVER/SHARE). The menu is started by the share's path,
  # as Windows names it and behind the \\?\ prefix; Wine gives the program's path as "UNC\...".
  # Each time the title, the commands and the working directory are the disc's.
  make_disc "$work/share/disc" network_share.ini
  mkdir -p "$work/share/disc/tools" "$WINEPREFIX/dosdevices/unc/tarvelin-server"
  cp "$helpers/standin.exe" "$work/share/disc/tools/"
  local share=$WINEPREFIX/dosdevices/unc/tarvelin-server/share
  ln -sfn "$work/share" "$share"
  trap "rm -f '$share'; cleanup" EXIT
  local record=$work/share/disc/tools/standin-record.txt path starts=0 title
  for path in '\\tarvelin-server\share\disc\tarvelin.exe' '\\?\UNC\tarvelin-server\share\disc\tarvelin.exe'; do
    start_menu "$path"
    title=$(xprop -id "$window" _NET_WM_NAME)
    [ "$title" = '_NET_WM_NAME(UTF8_STRING) = "Network Share"' ] || fail "started as $path: title $title"
    highlight 1
    xdotool click 1
    starts=$((starts + 1))
    wait_for_starts "$record" "$starts"
    [ "$(tr -d '\r' <"$record" | tail -n3)" = '\\tarvelin-server\share\disc
tools\standin.exe from the share
1' ] || fail "started as $path, the entry started as
$(tail -n3 "$record")"
    xdotool key Escape
    expect_exit 0
  done
}

case_spaces() {
  # The disc is drive D:. Entry 1 is a program in a folder with a space, entry 2 a document whose
  # name has a space, and nothing quotes them. A decoy named like entry 1's first word waits in PATH
  # and in the directory the menu starts from: the system's own search would find it first.
  make_disc "$work/disc" spaces.ini
  mkdir -p "$work/disc/Stand In" "$work/disc/docs" "$work/disc/tools" "$work/decoys" "$work/elsewhere"
  cp "$helpers/standin.exe" "$work/disc/Stand In/"
  cp "$helpers/standin.exe" "$work/disc/tools/"
  cp "$helpers/standin.exe" "$work/decoys/Stand.exe"
  cp "$helpers/standin.exe" "$work/elsewhere/Stand.exe"
  echo 'A document' >"$work/disc/docs/user guide.tvdoc"
  disc_is_drive_d "$work/disc"
  cp "$fixtures/spaces.reg" "$work/disc/types.reg"
  wine regedit /S 'D:\types.reg' >/dev/null 2>&1 || fail "the document type could not be registered"
  WINEPATH=$(winepath -w "$work/decoys" 2>/dev/null | tr -d '\r')
  export WINEPATH
  start_menu 'D:\tarvelin.exe'

  highlight 1
  xdotool click 1
  local record="$work/disc/Stand In/standin-record.txt" decoy
  local deadline=$((SECONDS + 30))
  until [ -s "$record" ] || [ -e "$work/decoys/standin-record.txt" ] || [ -e "$work/elsewhere/standin-record.txt" ]; do
    [ $SECONDS -lt $deadline ] || fail "entry 1 started nothing"
    sleep 0.1
  done
  for decoy in "$work/decoys" "$work/elsewhere"; do
    [ ! -e "$decoy/standin-record.txt" ] || fail "the decoy in $decoy ran: $(cat "$decoy/standin-record.txt")"
  done
  wait_for_starts "$record" 1
  local wanted='D:\
"Stand In\standin.exe" /quiet "a b"
1'
  [ "$(tr -d '\r' <"$record")" = "$wanted" ] || fail "entry 1 started as
$(cat "$record")
wanted
$wanted"

  highlight 2
  xdotool click 1
  wait_for_starts "$work/disc/tools/standin-record.txt" 1
  wanted='D:\
"D:\tools\standin.exe" "D:\docs\user guide.tvdoc"
1'
  [ "$(tr -d '\r' <"$work/disc/tools/standin-record.txt" | sed 's/ *$//')" = "$wanted" ] || fail "the document opened as
$(cat "$work/disc/tools/standin-record.txt")
wanted
$wanted"
  expect_screen 2
  xdotool key Escape
  expect_exit 0
  for decoy in "$work/decoys" "$work/elsewhere"; do
    [ ! -e "$decoy/standin-record.txt" ] || fail "the decoy in $decoy ran: $(cat "$decoy/standin-record.txt")"
  done
}

case_demo_disc() {
  # The Windows demo disc the build stages: every entry starts its stand-in, which says so.
  local disc=$build/demo-disc
  [ -f "$disc/tarvelin.exe" ] || fail "no demo disc in $disc; build the mingw tree"
  cp -r "$disc" "$work/disc"
  start_menu "$work/disc/tarvelin.exe"
  local entry description report disc_path
  disc_path=$(winepath -w "$work/disc" 2>/dev/null | tr -d '\r')
  for entry in "1|the guide" "2|the web browser's setup" "3|the web server's setup" "4|the developer kit's setup" \
    "5|the server's setup"; do
    description=${entry#*|}
    highlight "${entry%%|*}"
    xdotool click 1
    report=$(wine "$helpers/readbox.exe" 30 --dismiss --title "$description" 2>/dev/null | tr -d '\r') ||
      fail "no box from the stand-in for $description that went on OK"
    [ "$(head -n4 <<<"$report")" = "text=Tarvelin demo disc

This entry would start $description.
It was started from: $disc_path" ] || fail "the stand-in for $description says
$report"
  done
  xdotool key Escape
  expect_exit 0
}

case_planted_dll() {
  # DLLs named like ones that Windows and Wine load at run time, planted beside the program. Wine
  # is told to prefer a DLL of those names found on the search path over its own, as Windows
  # does for DLLs that are not KnownDLLs.
  local planted=(uxtheme dwmapi shcore shlwapi version)
  make_disc "$work/disc" planted_dll.ini
  local name
  for name in "${planted[@]}"; do cp "$helpers/planted.dll" "$work/disc/$name.dll"; done
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme,dwmapi=n,b"

  # The check itself: a program that does not restrict the search does load the planted DLL.
  cp "$helpers/loadprobe.exe" "$work/disc/"
  (cd "$work/elsewhere" 2>/dev/null || mkdir -p "$work/elsewhere"; wine "$work/disc/loadprobe.exe" uxtheme.dll) || true
  [ -f "$work/disc/uxtheme.dll-loaded.txt" ] || fail "the planted DLL is not loadable; the case cannot see a load"
  rm -f "$work/disc/"*-loaded.txt

  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message 'missing.exe'
  highlight 8
  xdotool click 1
  expect_exit 0
  local loaded
  loaded=$(cd "$work/disc" && ls -- *-loaded.txt 2>/dev/null || true)
  [ -z "$loaded" ] || fail "planted DLLs were loaded: ${loaded//-loaded.txt/}"
}

run_case
