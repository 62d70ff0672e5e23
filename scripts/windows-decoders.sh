#!/usr/bin/env bash
# Cross-builds, once, the libraries tarvelin-art.exe reads pictures and reduces colours with, from
# Debian's source packages of this machine's release: zlib, libpng, libjpeg-turbo (without its
# assembly), giflib and libimagequant (without OpenMP), as static i686 archives for mingw-w64, in
# DIR/<key>/{include,lib}, the key made from this script and the mingw toolchain file, so that a
# changed recipe builds anew and every build tree shares the result. Prints that folder. Called by
# the mingw build (cmake/decoders.cmake); the sources come through an apt of its own from a deb-src
# entry on the machine's own Debian mirror, as scripts/portable-root.sh fetches SDL's.
#   scripts/windows-decoders.sh DIR
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=$(realpath -m "$1")
key=$(cat "${BASH_SOURCE[0]}" "$here/debian_mirror.sh" "$here/../cmake/mingw-w64.cmake" | sha256sum | cut -c1-16)
prefix=$dir/$key

say() { echo "windows-decoders: $*" >&2; }
die() { say "$*"; exit 1; }

[ -f "$prefix/.built" ] && { echo "$prefix"; exit 0; }
mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9
[ -f "$prefix/.built" ] && { echo "$prefix"; exit 0; }

host=i686-w64-mingw32
cc=$host-gcc-posix
command -v "$cc" >/dev/null || die "$cc is missing: run scripts/install-deps.sh"
command -v dpkg-source >/dev/null || die "dpkg-source is missing: run scripts/install-deps.sh"

# This machine's release, whose sources are built, from the mirror it already uses.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# shellcheck source=scripts/debian_mirror.sh
source "$here/debian_mirror.sh"
mirror=$(debian_mirror)
[ -n "$mirror" ] || die "no Debian mirror found in this machine's apt sources"

work=$dir/$key.work
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src" "$prefix/include" "$prefix/lib"
log=$dir/$key.log
: >"$log"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $codename main" >"$work/apt/sources.list"
own_apt() {
  apt-get -o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache" -o APT::Sandbox::User=root "$@"
}
say "fetching Debian's ($codename) source packages of zlib, libpng, libjpeg-turbo, giflib and libimagequant from $mirror"
own_apt update -qq >>"$log" 2>&1 || die "Debian's $codename sources cannot be read from $mirror (log: $log)"
(cd "$work/src" && own_apt source -qq zlib libpng1.6 libjpeg-turbo giflib libimagequant >>"$log" 2>&1) ||
  die "apt-get source of the decoders ($codename) failed (log: $log)"
source_of() {  # the unpacked folder of a source package
  local found
  found=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
  [ -n "$found" ] || die "no source of $1 in $work/src"
  echo "$found"
}

cflags=(-O2 -ffunction-sections -fdata-sections -DNDEBUG)
# archive NAME SOURCE_DIR FILE...: lib/libNAME.a from the C files, compiled in SOURCE_DIR.
archive() {
  local name=$1 source=$2 file objects=()
  shift 2
  for file in "$@"; do
    "$cc" "${cflags[@]}" -I"$source" -I"$prefix/include" -c "$source/$file" -o "$work/$name-${file//\//_}.o" >>"$log" 2>&1 ||
      die "compiling $name's $file failed (log: $log)"
    objects+=("$work/$name-${file//\//_}.o")
  done
  "$host-ar" rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

say "building them for Windows ($host)"
zlib=$(source_of zlib)
archive z "$zlib" adler32.c compress.c crc32.c deflate.c infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"

png=$(source_of libpng1.6)
cp "$png/scripts/pnglibconf.h.prebuilt" "$png/pnglibconf.h"
cflags+=(-DPNG_INTEL_SSE_OPT=0 -DPNG_ARM_NEON_OPT=0 -DPNG_MIPS_MSA_OPT=0 -DPNG_POWERPC_VSX_OPT=0)
archive png "$png" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c \
  pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
cp "$png/png.h" "$png/pngconf.h" "$png/pnglibconf.h" "$prefix/include/"

gif=$(source_of giflib)
archive gif "$gif" dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_hash.c openbsd-reallocarray.c
cp "$gif/gif_lib.h" "$prefix/include/"

quant=$(source_of libimagequant)
[ -f "$quant/libimagequant.h" ] || die "Debian's libimagequant is no longer the C library this script builds: $(ls "$quant")"
cflags+=(-std=c99)
archive imagequant "$quant" blur.c kmeans.c libimagequant.c mediancut.c mempool.c nearest.c pam.c
cp "$quant/libimagequant.h" "$prefix/include/"

# libjpeg-turbo with its own CMake, the C code only (its SIMD needs nasm).
jpeg=$(source_of libjpeg-turbo)
cmake -S "$jpeg" -B "$work/jpeg-build" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DREQUIRE_SIMD=OFF >>"$log" 2>&1 &&
  cmake --build "$work/jpeg-build" --target jpeg-static -j2 >>"$log" 2>&1 ||
  die "building libjpeg-turbo failed (log: $log)"
cp "$work/jpeg-build/libjpeg.a" "$prefix/lib/"
cp "$jpeg/jpeglib.h" "$jpeg/jmorecfg.h" "$jpeg/jerror.h" "$work/jpeg-build/jconfig.h" "$prefix/include/"

# The source packages built here, kept in DIR/<key>/source (the tool's corresponding source, which
# the kit carries: cmake/make-kit.cmake), and what was built from them in libraries.tsv: KEY, NAME,
# VERSION (as its headers give it), SOURCE PACKAGE, ITS VERSION, RELEASE, what was changed.
mkdir -p "$prefix/source"
find "$work/src" -maxdepth 1 -type f -exec mv -t "$prefix/source" {} +
header_value() {  # FILE MACRO: the macro's value, quotes taken off
  sed -n "s/^#define[[:space:]]\{1,\}$2[[:space:]]\{1,\}\"\{0,1\}\([^\"[:space:]]*\)\"\{0,1\}.*/\1/p" "$prefix/include/$1" | head -n 1
}
dsc_source() {  # PACKAGE: the source package and version of its .dsc, tab-separated
  local dsc
  dsc=$(find "$prefix/source" -maxdepth 1 -name "$1_*.dsc" | head -n 1)
  [ -n "$dsc" ] || die "no $1 .dsc in $prefix/source"
  printf '%s\t%s' "$(sed -n 's/^Source: //p' "$dsc")" "$(sed -n 's/^Version: //p' "$dsc")"
}
{
  printf 'libpng\tlibpng\t%s\t%s\t%s\t\n' "$(header_value png.h PNG_LIBPNG_VER_STRING)" "$(dsc_source libpng1.6)" "$codename"
  printf 'zlib\tzlib\t%s\t%s\t%s\t\n' "$(header_value zlib.h ZLIB_VERSION)" "$(dsc_source zlib)" "$codename"
  printf 'libjpeg-turbo\tlibjpeg-turbo\t%s\t%s\t%s\tbuilt without its assembly\n' \
    "$(header_value jconfig.h LIBJPEG_TURBO_VERSION)" "$(dsc_source libjpeg-turbo)" "$codename"
  printf 'giflib\tgiflib\t%s.%s.%s\t%s\t%s\t\n' "$(header_value gif_lib.h GIFLIB_MAJOR)" "$(header_value gif_lib.h GIFLIB_MINOR)" \
    "$(header_value gif_lib.h GIFLIB_RELEASE)" "$(dsc_source giflib)" "$codename"
  printf 'libimagequant\tlibimagequant\t%s\t%s\t%s\tbuilt without OpenMP\n' \
    "$(header_value libimagequant.h LIQ_VERSION_STRING)" "$(dsc_source libimagequant)" "$codename"
} >"$prefix/libraries.tsv"
! cut -f3-5 "$prefix/libraries.tsv" | grep -qE '(^|\t)(\t|$)|\.\.' || die "a library's version or source is not known: $(cat "$prefix/libraries.tsv")"

rm -rf "$work"
touch "$prefix/.built"
say "built in $prefix"
echo "$prefix"
