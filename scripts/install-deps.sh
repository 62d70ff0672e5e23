#!/usr/bin/env bash
# Installs the Debian packages a task needs, skipping those already there.
#   scripts/install-deps.sh demo    what building and showing the menu needs
#   scripts/install-deps.sh test    everything the test command needs
#   scripts/install-deps.sh bench   everything the benchmarks need
set -euo pipefail

demo=(cmake make g++ pkg-config libsdl2-dev libx11-dev procps xvfb xdotool imagemagick x11-utils xfonts-base fonts-dejavu-core)
test=("${demo[@]}" googletest libgtest-dev x11-apps x11-xserver-utils
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
      clang libclang-rt-dev weston xwayland)
bench=("${test[@]}" libbenchmark-dev libx11-dev libxtst-dev valgrind)

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
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
