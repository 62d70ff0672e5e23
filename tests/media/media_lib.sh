# shellcheck shell=bash
# Shared by the end-to-end tests of the menu on removable media (sourced, not run): file system
# images made as an author or a Windows machine would make them, mounted with Debian's FUSE
# drivers the way desktops mount them, on top of the SDL end-to-end helpers.
#
# A test script is run as: bash SCRIPT PROGRAM ART_DIR AUTORUN_SH RECORDER [RECORDER_X86], with
# TARVELIN_HOT_SPOTS naming the build's table of hot spots. RECORDER is a dynamically linked
# program that records its start (tests/portable/recorder.c); RECORDER_X86 the same for 32-bit x86,
# empty where the build could not make one.
#
# No kernel driver for FAT or ISO 9660 is assumed: fusefat and fuseiso mount the images. Desktops
# mount FAT with showexec and discs without Rock Ridge with mode=0400, so that no file has an
# execute bit; the FUSE mounts get the same modes from the umask option.

# Skipped (status 77) where the images cannot be made or mounted.
media_requirements() {
  local tool
  for tool in fusefat fuseiso fusermount mkfs.vfat mcopy xorriso; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh test)"; exit 77; }
  done
  [ -c /dev/fuse ] || { echo "SKIP: no /dev/fuse to mount the media with"; exit 77; }
  [ -w /dev/fuse ] || { echo "SKIP: needs root: /dev/fuse, which mounts the media, is not $(id -un)'s to open"; exit 77; }
}
media_requirements

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../sdl/e2e_lib.sh"
readonly AUTORUN_SH=$3 RECORDER=$4 RECORDER_X86=${5:-}

MOUNTS=()
# Ends the menu before the media go, then the media, then what e2e_lib cleans.
media_cleanup() {
  local status=$? mount
  set +e
  stop_menu
  for mount in "${MOUNTS[@]}"; do
    mountpoint -q "$mount" && { fusermount -u "$mount" 2>/dev/null || fusermount -u -z "$mount"; }
  done
  (exit "$status")
  cleanup
}
trap media_cleanup EXIT

# The medium's folder before it becomes an image: the program under test as .tarvelin, the
# project's autorun.sh, and the options file given.
#   make_medium_folder DIR OPTIONS_FILE
make_medium_folder() {
  mkdir -p "$1/tools" "$1/docs" "$ELSEWHERE" "$EXPECTED"
  cp "$PROGRAM" "$1/.tarvelin"
  cp "$AUTORUN_SH" "$1/autorun.sh"
  cat "$2" >"$1/options.ini"
}

# A FAT image holding a folder's files: FAT32 for a stick of 64 MiB, as Windows formats one.
#   make_fat_image IMAGE DIR [SIZE_MIB]
make_fat_image() {
  local size=${3:-64}
  rm -f "$1"
  truncate -s "${size}M" "$1"
  if [ "$size" -ge 64 ]; then mkfs.vfat -F 32 -n MEDIUM "$1" >/dev/null; else mkfs.vfat -n MEDIUM "$1" >/dev/null; fi
  local entries
  entries=$(shopt -s dotglob nullglob && printf '%s\n' "$2"/*)
  # One name a line: the folders' names hold no line end.
  if [ -n "$entries" ]; then mapfile -t entries <<<"$entries" && mcopy -s -Q -i "$1" "${entries[@]}" ::/; fi
}

# Mounts a FAT image as desktops mount a stick: no file has an execute bit (showexec, for a medium
# holding no .exe), names match without regard to case. Extra options (noexec, ro) follow.
#   mount_fat IMAGE MOUNTPOINT [OPTION,...]
mount_fat() {
  mkdir -p "$2"
  fusefat -o "rw+,umask=0133${3:+,$3}" "$1" "$2" >"$WORK/fusefat.log" 2>&1 || { cat "$WORK/fusefat.log" >&2; exit 1; }
  MOUNTS+=("$2")
}

# An ISO 9660 image of a folder: with Joliet names only (what many Windows authoring tools write),
# or with Rock Ridge too, which keeps Unix modes and names in their case.
#   make_iso_image IMAGE DIR joliet|rockridge
make_iso_image() {
  local extensions=(-J)
  [ "$3" = rockridge ] && extensions=(-R -J)
  xorriso -as mkisofs "${extensions[@]}" -V MEDIUM -o "$1" "$2" >"$WORK/xorriso.log" 2>&1 ||
    { cat "$WORK/xorriso.log" >&2; exit 1; }
}

# Mounts a disc image read-only. A Joliet-only disc gets the one mode desktops give it (files
# 0400 in udisks2; here 0444, no execute bit); a Rock Ridge disc keeps its own modes.
#   mount_iso IMAGE MOUNTPOINT joliet|rockridge
mount_iso() {
  mkdir -p "$2"
  local options=(-o ro)
  [ "$3" = joliet ] && options=(-o ro,umask=0333)
  fuseiso -n "$1" "$2" "${options[@]}" >"$WORK/fuseiso.log" 2>&1 || { cat "$WORK/fuseiso.log" >&2; exit 1; }
  MOUNTS+=("$2")
}

# Starts the menu as a desktop runs a medium's autorun.sh: "sh autorun.sh", from another folder.
#   start_autorun MEDIUM
start_autorun() {
  xdotool mousemove 0 0
  (cd "$ELSEWHERE" && exec sh "$1/autorun.sh") 2>"$WORK/menu.err" &
  menu_pid=$!
  await_menu_window
}

# The desktop's opener: records its target and takes it.
install_opener() {
  mkdir -p "$WORK/bin"
  cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
echo "opened [\$*]" >>"$WORK/opened.log"
EOF
  chmod +x "$WORK/bin/xdg-open"
  export PATH="$WORK/bin:$PATH"
}
opened() { cat "$WORK/opened.log" 2>/dev/null; }

# Clicks hot spot k at a place of its own, so that no two clicks make a double-click.
click_entry() {
  local left top width height
  read -r left top width height < <(hot_spot "$1")
  point_at $((left + ${2:-width / 2})) $((top + height / 2))
  expect_screen "lit-$1" "entry $1 highlighted"
  xdotool click 1
}

# expect_start ENTRY LOG LINE WHAT: a click on the entry writes LINE into LOG (the stand-ins'
# starts, or the opener's log); if not, what happened instead, and a message box it gave goes.
expect_start() {
  click_entry "$1"
  if wait_for grep -q -x -F "$3" "$2"; then
    pass "$4"
  else
    fail "$4: started $(cat "$STARTS" 2>/dev/null); opened $(opened); $(message_boxes) message box(es); $(cat "$WORK/menu.err")"
    no_message_box || dismiss_message_box
  fi
}

dismiss_message_box() {
  xdotool key --window "$(message_box_window)" Return
  wait_for no_message_box || fail "the message box stays"
}

# The menu's standard error matches the extended regular expression.
expect_stderr() {
  if grep -qE -- "$1" "$WORK/menu.err"; then pass "$2"; else fail "$2: standard error says: $(cat "$WORK/menu.err")"; fi
}

# The author's pictures on the medium: the built-in pair with every colour inverted, which the test
# can tell from the pictures built in.
#   write_author_pictures DIR
write_author_pictures() {
  local picture
  for picture in background highlight; do
    perl -e 'local $/; $_ = <STDIN>; my $at = 14 + unpack("V", substr($_, 14, 4));
             substr($_, $at, 1024) = substr($_, $at, 1024) ^ ("\xff" x 1024); print' \
      <"$ART_DIR/$picture.bmp" >"$1/$picture.bmp"
  done
}
