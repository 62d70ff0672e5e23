#!/usr/bin/env bash
# Builds the Linux program in the Debian 11 root (made first if need be, by portable-root.sh) from
# this source tree, and puts it at OUTPUT. Run by the build (runtime/sdl/CMakeLists.txt), as root or
# as a user whom portable-root.sh lets make a root: that user is then root of a user namespace.
#   scripts/build-portable.sh ROOT SOURCE_DIR ART_DIR BUILD_TYPE WARNINGS_AS_ERRORS OUTPUT [TARGET]
# TARGET is tarvelin (the default) or tarvelin-art, the author's tool (tools/tarvelin-art/CMakeLists.txt).
# WARNINGS_AS_ERRORS (ON or OFF) is the build tree's TARVELIN_WARNINGS_AS_ERRORS, passed on.
set -euo pipefail
root=$(realpath -m "$1")
source_dir=$(realpath "$2")
art_dir=$(realpath "$3")
build_type=$4
warnings_as_errors=$5
output=$(realpath -m "$6")
target=${7:-tarvelin}
case $target in
  tarvelin) built=runtime/sdl/tarvelin ;;
  tarvelin-art) built=tools/tarvelin-art/tarvelin-art ;;
  *) echo "build-portable: no target $target" >&2; exit 2 ;;
esac

bash "$source_dir/scripts/portable-root.sh" "$root"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(unshare --user --map-auto --map-root-user)

# One build folder in the root for each build tree that asks, so that they do not rebuild each
# other's work.
inner=/build/$(printf '%s' "$output" | sha256sum | cut -c1-16)
mkdir -p "$root/src" "$root/art" "$root$inner" 2>/dev/null ||
  { echo "build-portable: $root belongs to another user (made as root?): remove it as its owner, or build as that user" >&2; exit 1; }
# This machine's /dev, and the sources and artwork read-only, are seen through bind mounts that end
# with this command's own mount namespace.
"${as_root[@]}" unshare --mount --propagation private sh -euc '
  root=$1 source_dir=$2 art_dir=$3 inner=$4 build_type=$5 warnings_as_errors=$6 target=$7
  mount --rbind /dev "$root/dev"
  mount --bind -o ro "$source_dir" "$root/src"
  mount --bind -o ro "$art_dir" "$root/art"
  in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
  in_root cmake -S /src -B "$inner" -DCMAKE_BUILD_TYPE="$build_type" -DTARVELIN_IN_BUILD_ROOT=ON \
    -DTARVELIN_TESTS=OFF -DTARVELIN_ART_DIR=/art -DCMAKE_PREFIX_PATH="/opt/sdl2;/opt/imagequant" \
    -DTARVELIN_WARNINGS_AS_ERRORS="$warnings_as_errors" >/dev/null
  in_root cmake --build "$inner" --target "$target" -- -j2
' sh "$root" "$source_dir" "$art_dir" "$inner" "$build_type" "$warnings_as_errors" "$target"

# Replaced only when it changed, so that what depends on it is not redone; renamed into place, so
# that a copy still running keeps its file.
if ! cmp -s "$root$inner/$built" "$output"; then
  cp "$root$inner/$built" "$output.new"
  mv -f "$output.new" "$output"
fi
