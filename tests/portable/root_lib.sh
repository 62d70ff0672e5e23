# shellcheck shell=bash
# Making a root of a system's installed packages, for running a program where nothing else was
# installed (sourced, not run). The sourcing script sets SYSTEM_ROOT (the installed system whose
# packages are copied, "" for this machine) and WORK (a folder of its own for scratch files).

# Copies the files of installed packages into a root, as dpkg would have unpacked them, keeping
# the system's merged /usr links.
#   make_root ROOT PACKAGE...
make_root() {
  local root=$1 top package path
  shift
  mkdir -p "$root"
  for top in bin sbin lib lib64; do
    if [ -L "$SYSTEM_ROOT/$top" ]; then
      cp -a "$SYSTEM_ROOT/$top" "$root/$top"
      mkdir -p "$root/$(readlink "$SYSTEM_ROOT/$top")"
    fi
  done
  # The system's own architecture's files: a machine may have the same library for another one too
  # (the i386 libc6 that 32-bit Wine brings). A package for all architectures has no such name.
  local dpkg_dir=$SYSTEM_ROOT/var/lib/dpkg architecture
  architecture=$(dpkg --admindir="$dpkg_dir" --print-architecture)
  for package in "$@"; do
    { dpkg-query --admindir="$dpkg_dir" -L "$package:$architecture" 2>/dev/null ||
      dpkg-query --admindir="$dpkg_dir" -L "$package"; } >"$WORK/files" ||
      { echo "package $package is not installed in ${SYSTEM_ROOT:-/}" >&2; exit 1; }
    while read -r path; do
      case $path in /. | /usr/share/doc* | /usr/share/man* | /usr/share/lintian*) continue ;; esac
      if [ -d "$SYSTEM_ROOT$path" ] && [ ! -L "$SYSTEM_ROOT$path" ]; then
        mkdir -p "$root$path"
      elif [ -e "$SYSTEM_ROOT$path" ] || [ -L "$SYSTEM_ROOT$path" ]; then
        mkdir -p "$(dirname "$root$path")"
        cp -a "$SYSTEM_ROOT$path" "$root$path"
      fi
    done <"$WORK/files"
  done
  mkdir -p "$root/proc" "$root/dev" "$root/tmp/.X11-unix"
  mknod -m 666 "$root/dev/null" c 1 3
}
