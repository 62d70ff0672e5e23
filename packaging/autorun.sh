#!/bin/sh
# Desktops that follow the freedesktop autostart convention offer to run this file when the medium
# is mounted, and ask the user first. It opens the menu from the medium's root, where the Linux
# program is .tarvelin: hidden from Linux file managers, and no second "tarvelin" beside
# tarvelin.exe for a Windows user.
#
# Media formatted for Windows (FAT, exFAT, NTFS) and discs without Rock Ridge carry no execute
# bits, and desktops mount them so that no file has one: the menu then runs through the dynamic
# loader, which reads it like a library and needs none. A medium mounted noexec is an
# administrator's decision that nothing on it runs: nothing does, and the user is told why.
cd "$(dirname "$0")" || exit 1
medium=$(pwd -P)

# The mount options of the mount that holds this folder: the mount point in /proc/self/mountinfo
# that is the longest leading part of its path (names there have blanks, tabs, line ends and
# backslashes written as octal escapes).
mount_options() {
  medium=$medium awk '
    BEGIN {
      dir = ENVIRON["medium"]
      gsub(/\\/, "\\\\134", dir); gsub(/ /, "\\\\040", dir); gsub(/\t/, "\\\\011", dir); gsub(/\n/, "\\\\012", dir)
    }
    {
      point = $5
      if (point == "/" || dir == point || substr(dir, 1, length(point) + 1) == point "/")
        if (length(point) >= length(best)) { best = point; options = $6 }
    }
    END { print options }' /proc/self/mountinfo 2>/dev/null
}

# Tells the user on standard error, and on the desktop where a notifier or dialog can show it.
tell() {
  echo "tarvelin: $1" >&2
  if command -v notify-send >/dev/null 2>&1; then
    notify-send --app-name=Tarvelin "Tarvelin" "$1" 2>/dev/null && return
  fi
  if command -v zenity >/dev/null 2>&1; then
    zenity --error --title=Tarvelin --text="$1" 2>/dev/null && return
  fi
  if command -v kdialog >/dev/null 2>&1; then
    kdialog --title Tarvelin --error "$1" 2>/dev/null && return
  fi
  if command -v xmessage >/dev/null 2>&1; then
    xmessage -title Tarvelin -center "$1" 2>/dev/null
  fi
}

case ",$(mount_options)," in
  *,noexec,*)
    tell "the menu on $medium cannot open: the medium is mounted with noexec, which lets no program on it run"
    exit 126 ;;
esac

# Started directly where it can be: then it goes by its own name in the system's lists of programs.
# Some FUSE drivers answer yes to every test of access, so the file's own mode has the last word.
case $(ls -ln ./.tarvelin 2>/dev/null) in
  -??[xs]* | -?????[xs]* | -????????[xt]*) [ -x ./.tarvelin ] && exec ./.tarvelin ;;
esac
# The loader the program was linked for (x86-64).
exec /lib64/ld-linux-x86-64.so.2 ./.tarvelin
