#!/usr/bin/env bash
# Installs the Debian packages a task needs, skipping those already there.
#   scripts/install-deps.sh demo    what building and showing the menu needs
#   scripts/install-deps.sh test    everything the test command needs
#   scripts/install-deps.sh bench   everything the benchmarks need
set -euo pipefail

# The Linux program is built in a Debian 11 root (scripts/portable-root.sh: mmdebstrap, and uidmap
# for a user to make it in a user namespace) against SDL built there from Debian's source package;
# this machine lends that root libdecor, which Debian 11 lacks. The
# unit tests of the SDL provider use this machine's SDL. The demo lays out its medium with
# tarvelin-art (libpng, libjpeg-turbo, giflib, zlib and libimagequant; ImageMagick makes and reads
# its test pictures, and its colour reduction is tested against pngquant's) and
# carries tarvelin.exe too, a 32-bit x86 program; its tests run it under 64-bit Wine with Wine's
# 32-bit half (wine32, of the i386 architecture). The tests of the menu on
# removable media make FAT and ISO 9660 images and mount them with FUSE drivers, as the machine may
# have no kernel driver, and carry a 32-bit x86 program (gcc-multilib), which the menu runs through
# the loader of libc6:i386. The desktop tests run the menu under real window managers and compositors,
# and type on it through a virtual keyboard (wtype).
portable=(mmdebstrap uidmap dpkg-dev util-linux libx11-dev libxext-dev libxcursor-dev libxi-dev libxfixes-dev
          libxrandr-dev libxss-dev libwayland-dev libxkbcommon-dev libegl-dev libdecor-0-dev)
demo=(cmake make g++ pkg-config "${portable[@]}" procps xvfb xdotool imagemagick libimagequant-dev
      libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev
      x11-utils xfonts-base fonts-dejavu-core g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686)
test=("${demo[@]}" libsdl2-dev googletest libgtest-dev x11-apps x11-xserver-utils
      binutils libc6-dev libx11-6 libxext6 libx11-data wine wine64 wine32:i386 gcc-multilib libc6:i386
      clang libclang-rt-dev weston xwayland sway grim wtype openbox xfwm4 mutter kwin-x11 kwin-wayland
      dbus-daemon fusefat fuseiso dosfstools mtools xorriso pngquant unzip)
bench=("${test[@]}" libbenchmark-dev libx11-dev libxtst-dev valgrind e2fsprogs psmisc)

case "${1:-}" in
  demo) wanted=("${demo[@]}") ;;
  test) wanted=("${test[@]}") ;;
  bench) wanted=("${bench[@]}") ;;
  *) echo "usage: $0 demo|test|bench" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}; run this as root to install them." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# wine32 comes from the i386 half of the archive, which dpkg must be told about once.
if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
