#!/usr/bin/env bash
# Makes, once, the Debian 11 root that the Linux program is built in: gcc 10 and glibc 2.31, so the
# program needs no newer glibc than 2.17 (the few calls glibc gave new versions since then are
# pinned by cmake/glibc-2.17.h), and SDL 2.32 from Debian 13's own source package, built there
# as a static library of only what the menu uses, small enough to start quickly from a slow disc. The first run takes a few minutes
# and about 1 GB, later runs return at once. The root is made again when this script changes.
# Run as root, or as a user with subordinate ids (/etc/subuid, /etc/subgid) where user namespaces
# are allowed: the user is then root of a user namespace whose other ids are those subordinate
# ids, so that the root's files keep their owners and stay the user's to build in and remove.
#   scripts/portable-root.sh ROOT
set -euo pipefail

root=$(realpath -m "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
recipe=$(cat "${BASH_SOURCE[0]}" "$here/debian_mirror.sh" "$here/../cmake/glibc-2.17.h" | sha256sum | cut -c1-16)
stamp=$root/.tarvelin-root

say() { echo "portable-root: $*" >&2; }
die() { say "$*"; exit 1; }

# As a user, whether a user namespace can be had is known before anything is made, in one line.
if [ "$(id -u)" -ne 0 ]; then
  user=$(id -un)
  command -v newuidmap >/dev/null ||
    die "building without root needs newuidmap and newgidmap: install uidmap (scripts/install-deps.sh, as root), or build as root"
  if ! grep -Eqs "^($user|$(id -u)):" /etc/subuid || ! grep -Eqs "^($user|$(id -u)):" /etc/subgid; then
    # The 65536 ids after every range already given.
    first=$(cat /etc/subuid /etc/subgid 2>/dev/null | awk -F: '$2 + $3 > top { top = $2 + $3 } END { print (top > 100000 ? top : 100000) }')
    ids=$first-$((first + 65535))
    die "$user has no subordinate ids: add a range of 65536 for $user to /etc/subuid and /etc/subgid (as root: usermod --add-subuids $ids --add-subgids $ids $user), or build as root"
  fi
  unshare --user --map-auto --map-root-user true 2>/dev/null ||
    die "this system gives $user no user namespace (see sysctl user.max_user_namespaces and kernel.apparmor_restrict_unprivileged_userns): allow them, or build as root"
fi
[ "$(cat "$stamp" 2>/dev/null)" = "$recipe" ] && exit 0
command -v mmdebstrap >/dev/null || die "mmdebstrap is missing: run scripts/install-deps.sh"
[ "$(id -u)" -eq 0 ] || exec unshare --user --map-auto --map-root-user bash "${BASH_SOURCE[0]}" "$root"

mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9
[ "$(cat "$stamp" 2>/dev/null)" = "$recipe" ] && exit 0

# shellcheck source=scripts/debian_mirror.sh
source "$here/debian_mirror.sh"

mirror=$(debian_mirror)
[ -n "$mirror" ] || die "no Debian mirror found in this machine's apt sources"

new=$root.new
rm -rf "$new" "$root" 2>/dev/null || die "$root belongs to another user (made as root?): remove it as its owner, or build as that user"
start=$SECONDS
# mmdebstrap's unshare mode makes no device files, which a user namespace could not: each step in
# the root sees this machine's /dev, in a mount namespace of its own.
say "mmdebstrap bullseye from $mirror into $new"
mmdebstrap --mode=unshare --variant=minbase bullseye "$new" "$mirror" >"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; die "mmdebstrap failed (log: $root.log)"; }

in_root() {
  unshare --mount --propagation private sh -euc 'mount --rbind /dev "$1/dev"; exec chroot "$@"' sh "$new" \
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

# Headers and build tools for SDL's X11 and Wayland drivers. Their client libraries are loaded at run
# time, so only the headers matter, and the sonames SDL reads from the libraries beside them. The
# static archives of tarvelin-art's decoders and colour reduction, which it links whole.
say "installing the compiler and headers"
in_root apt-get update -qq >>"$root.log" 2>&1
in_root apt-get install -y -qq --no-install-recommends g++ make cmake pkg-config \
  libx11-dev libxext-dev libxi-dev libxfixes-dev libxrandr-dev \
  libwayland-dev libwayland-bin libxkbcommon-dev libegl-dev libgles-dev \
  libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev >>"$root.log" 2>&1 ||
  { tail -n 20 "$root.log" >&2; die "installing the build tools failed (log: $root.log)"; }
in_root apt-get clean

# Debian 11 has no libdecor; Debian 12's header, pkg-config file and library (for its soname) serve.
for package in libdecor-0-dev libdecor-0-0; do
  dpkg-query -L "$package" >/dev/null 2>&1 || die "$package is missing: run scripts/install-deps.sh"
  dpkg-query -L "$package" | grep -v '^/usr/share/doc' | while read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then mkdir -p "$new$path"; else cp -a --no-preserve=ownership "$path" "$new$path"; fi
  done
done

# SDL 2 as Debian 13 has it (2.32, SDL 2's last series), from a deb-src entry for that release on the
# machine's own mirror, read by an apt of its own so that the machine's apt keeps its sources. And
# libimagequant as this machine's release has it, the same source tarvelin-art.exe is built from
# (scripts/windows-decoders.sh), so that the tool chooses the same colours on both systems: Debian
# 11's is older and chooses worse ones.
sdl_release=trixie
machine_release=$(. /etc/os-release && echo "$VERSION_CODENAME")
say "fetching Debian 13's source package of SDL 2 and $machine_release's of libimagequant"
apt_dir=$root.apt
rm -rf "$apt_dir"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$new/usr/src/sdl" "$new/usr/src/imagequant"
printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n' \
  "$mirror" "$sdl_release" "$mirror" "$machine_release" >"$apt_dir/sources.list"
own_apt() {
  apt-get -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root "$@"
}
own_apt update -qq >>"$root.log" 2>&1 || { tail -n 5 "$root.log" >&2; die "reading Debian's $sdl_release sources from $mirror failed"; }
(cd "$new/usr/src/sdl" && own_apt source -qq libsdl2 >>"$root.log" 2>&1) || { tail -n 5 "$root.log" >&2; die "apt-get source libsdl2 ($sdl_release) failed"; }
(cd "$new/usr/src/imagequant" && own_apt source -qq "libimagequant/$machine_release" >>"$root.log" 2>&1) ||
  { tail -n 5 "$root.log" >&2; die "apt-get source libimagequant ($machine_release) failed"; }
rm -rf "$apt_dir"
sdl_source=$(find "$new/usr/src/sdl" -mindepth 1 -maxdepth 1 -type d -name 'libsdl2-2.32.*' | head -n 1)
[ -n "$sdl_source" ] || die "Debian's source package is not SDL 2.32: $(ls "$new/usr/src/sdl")"
sdl_source=${sdl_source#"$new"}

# A key of a virtual keyboard (an on-screen keyboard, a tool that types) is looked up in the layout the
# compositor last named. Before it has named one, when the window gets the keyboard with a key held
# down, SDL 2 (to its last release, 2.32.10) asks xkbcommon for layout -1, which Debian 12's
# xkbcommon reads out of bounds: the menu crashed in half of such starts on sway. Layout 0 until then.
sdl_events=$new$sdl_source/src/video/wayland/SDL_waylandevents.c
sed -i 's/get_syms_by_level(input->xkb.keymap, key, input->xkb.current_group, 0, &syms)/get_syms_by_level(input->xkb.keymap, key, input->xkb.current_group == XKB_GROUP_INVALID ? 0 : input->xkb.current_group, 0, \&syms)/' "$sdl_events"
grep -q 'key, input->xkb.current_group == XKB_GROUP_INVALID ? 0 : input->xkb.current_group, 0, &syms)' "$sdl_events" ||
  die "SDL's Wayland keyboard source has changed: the look-up of a virtual keyboard's keys not found"

# SDL's X11 driver asks the server for each atom it knows by name in a round trip of its own, about
# 45 before the menu's first picture, half of all its round trips. One XInternAtoms for all of them
# first fills Xlib's cache of atoms, which answers each of those questions without the server.
x11_video=$new$sdl_source/src/video/x11/SDL_x11video.c
x11_symbols=$new$sdl_source/src/video/x11/SDL_x11sym.h
grep -q '^    /\* Look up some useful Atoms \*/$' "$x11_video" && grep -q '^SDL_X11_SYM(Atom,XInternAtom,' "$x11_symbols" ||
  die "SDL's X11 driver source has changed: where it looks up its atoms not found"
sed -i '/^SDL_X11_SYM(Atom,XInternAtom,/a SDL_X11_SYM(Status,XInternAtoms,(Display* a,char** b,int c,Bool d,Atom* e),(a,b,c,d,e),return)' "$x11_symbols"
sed -i '/^    \/\* Look up some useful Atoms \*\/$/r /dev/stdin' "$x11_video" <<'ATOMS'
    {
        static char *known[] = {
            "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "WM_NAME", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN",
            "_NET_WM_STATE_FOCUSED", "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ",
            "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
            "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_NAME", "_NET_WM_ICON_NAME", "_NET_WM_ICON",
            "_NET_WM_PING", "_NET_WM_WINDOW_OPACITY", "_NET_WM_USER_TIME", "_NET_ACTIVE_WINDOW", "_NET_FRAME_EXTENTS",
            "_SDL_WAKEUP", "UTF8_STRING", "PRIMARY", "XdndEnter", "XdndPosition", "XdndStatus", "XdndTypeList",
            "XdndActionCopy", "XdndDrop", "XdndFinished", "XdndSelection", "XKLAVIER_STATE", "_NET_SUPPORTING_WM_CHECK",
            "EDID", "CLIPBOARD", "_MOTIF_WM_HINTS", "WM_LOCALE_NAME", "_NET_WM_PID", "_NET_WM_WINDOW_TYPE",
            "_NET_WM_WINDOW_TYPE_NORMAL", "STRING", "XdndAware", "_NET_WORKAREA"
        };
        Atom atoms[SDL_arraysize(known)];
        X11_XInternAtoms(data->display, known, SDL_arraysize(known), False, atoms);
    }
ATOMS
grep -q 'X11_XInternAtoms(data->display, known' "$x11_video" && grep -q '^SDL_X11_SYM(Status,XInternAtoms,' "$x11_symbols" ||
  die "the atoms of SDL's X11 driver could not be asked for at once"

# Without its dynamic API, a static SDL keeps only the functions the program calls: with it, a table
# of every function SDL has keeps them all, should the environment name another SDL to use instead.
sed -i 's/^#define SDL_DYNAMIC_API 1$/#define SDL_DYNAMIC_API 0/' "$new$sdl_source/src/dynapi/SDL_dynapi.h"
! grep -qE '^[[:space:]]*#[[:space:]]*define[[:space:]]+SDL_DYNAMIC_API[[:space:]]+1' "$new$sdl_source/src/dynapi/SDL_dynapi.h" ||
  die "SDL's dynamic API source has changed: SDL_DYNAMIC_API is still 1"

mkdir -p "$new/usr/local/include"
cp "$here/../cmake/glibc-2.17.h" "$new/usr/local/include/glibc-2.17.h"

# libimagequant in /opt/imagequant, a static archive compiled as the program is, without OpenMP, as
# for Windows: the colours chosen do not then depend on the number of processors.
quant_source=$(find "$new/usr/src/imagequant" -mindepth 1 -maxdepth 1 -type d -name 'libimagequant-*' | head -n 1)
[ -f "$quant_source/libimagequant.h" ] || die "Debian's libimagequant is no longer the C library built here: $(ls "$new/usr/src/imagequant")"
in_root sh -euc '
  cd "$1"
  mkdir -p /opt/imagequant/include /opt/imagequant/lib /usr/src/imagequant/objects
  for file in blur kmeans libimagequant mediancut mempool nearest pam; do
    gcc -std=c99 -O2 -include /usr/local/include/glibc-2.17.h -ffunction-sections -fdata-sections -DNDEBUG \
      -c "$file.c" -o "/usr/src/imagequant/objects/$file.o"
  done
  ar rcs /opt/imagequant/lib/libimagequant.a /usr/src/imagequant/objects/*.o
  cp libimagequant.h /opt/imagequant/include/
' sh "${quant_source#"$new"}" >>"$root.log" 2>&1 || { tail -n 20 "$root.log" >&2; die "building libimagequant failed (log: $root.log)"; }
# The source packages built here, SDL's and libimagequant's, are kept in /usr/src/debian: the kit
# carries libimagequant's as part of tarvelin-art's corresponding source (cmake/make-kit.cmake).
sources=$new/usr/src/debian
mkdir -p "$sources"
find "$new/usr/src/sdl" "$new/usr/src/imagequant" -maxdepth 1 -type f -exec mv -t "$sources" {} +
rm -rf "$new/usr/src/imagequant"

# Small over fast, and only what the program reaches: every function and object in a section of its
# own, link-time optimisation (finished when the program is linked, so the archive tools are gcc's),
# and SDL_LEAN_AND_MEAN, which leaves out the software renderer, YUV, RLE and the specialised blitters.
# The one renderer is OpenGL ES 2, the one every Wayland compositor's EGL offers: only the Wayland
# driver draws through a renderer (runtime/sdl/sdl_presenter.h), so desktop OpenGL, GLX and
# OpenGL ES 1 go, with the offscreen and dummy drivers that nothing here chooses. The X11 driver
# goes without Xcursor (the menu keeps the default pointer), XScrnSaver (the screensaver may run)
# and XFixes (no pointer barriers, no clipboard): each is a library loaded, and XFixes round trips
# to the server, before the first picture. memfd_create is
# glibc 2.27's: the Wayland driver's shared memory comes from a file in the runtime directory instead.
say "building SDL from $sdl_source"
sdl_start=$SECONDS
in_root cmake -S "$sdl_source" -B /usr/src/sdl/build -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX=/opt/sdl2 \
  "-DCMAKE_C_FLAGS=-include /usr/local/include/glibc-2.17.h -ffunction-sections -fdata-sections -flto -DSDL_LEAN_AND_MEAN=1" \
  -DCMAKE_AR=/usr/bin/gcc-ar -DCMAKE_RANLIB=/usr/bin/gcc-ranlib \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
  -DSDL2_DISABLE_UNINSTALL=ON -DSDL_RPATH=OFF -DSDL_CCACHE=OFF \
  -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
  -DSDL_DBUS=OFF -DSDL_IBUS=OFF -DSDL_LIBSAMPLERATE=OFF \
  -DSDL_X11=ON -DSDL_X11_SHARED=ON -DSDL_X11_XCURSOR=OFF -DSDL_X11_XSCRNSAVER=OFF -DSDL_X11_XFIXES=OFF \
  -DSDL_WAYLAND=ON -DSDL_WAYLAND_SHARED=ON -DSDL_WAYLAND_LIBDECOR=ON -DSDL_WAYLAND_LIBDECOR_SHARED=ON \
  -DSDL_WAYLAND_QT_TOUCH=OFF -DSDL_KMSDRM=OFF -DSDL_RPI=OFF -DSDL_VIVANTE=OFF -DSDL_VULKAN=OFF \
  -DSDL_DIRECTFB=OFF -DSDL_OPENGL=OFF -DHAVE_OPENGLES_V1=OFF -DSDL_OFFSCREEN=OFF -DSDL_DUMMYVIDEO=OFF \
  -DHAVE_MEMFD_CREATE=0 >>"$root.log" 2>&1 &&
  in_root cmake --build /usr/src/sdl/build -j2 >>"$root.log" 2>&1 &&
  in_root cmake --install /usr/src/sdl/build >>"$root.log" 2>&1 ||
  { tail -n 30 "$root.log" >&2; die "building SDL failed (log: $root.log)"; }

# Built as asked, or not at all: a driver that quietly went missing would only show on a user's desktop.
config=$new/opt/sdl2/include/SDL2/SDL_config.h
for wanted in 'SDL_VIDEO_DRIVER_X11_DYNAMIC "libX11.so.6"' 'SDL_VIDEO_DRIVER_WAYLAND_DYNAMIC "libwayland-client.so.0"' \
  'SDL_VIDEO_DRIVER_WAYLAND_DYNAMIC_LIBDECOR "libdecor-0.so.0"' 'SDL_AUDIO_DISABLED 1' 'SDL_JOYSTICK_DISABLED 1' \
  'SDL_VIDEO_RENDER_OGL_ES2 1' 'SDL_VIDEO_OPENGL_EGL 1'; do
  grep -q "#define $wanted" "$config" || die "SDL was configured without: $wanted"
done
for unwanted in SDL_VIDEO_RENDER_OGL SDL_VIDEO_RENDER_OGL_ES SDL_VIDEO_OPENGL_GLX SDL_VIDEO_DRIVER_OFFSCREEN SDL_VIDEO_DRIVER_DUMMY \
  HAVE_MEMFD_CREATE SDL_VIDEO_DRIVER_X11_XCURSOR SDL_VIDEO_DRIVER_X11_XSCRNSAVER SDL_VIDEO_DRIVER_X11_XFIXES; do
  ! grep -q "#define $unwanted " "$config" || die "SDL was configured with: $unwanted"
done
# The table of the dynamic API is SDL_DYNAPI_entry; SDL_Init shows that the archive's symbols can be read.
symbols=$(in_root gcc-nm /opt/sdl2/lib/libSDL2.a 2>/dev/null)
grep -qw SDL_Init <<<"$symbols" || die "the symbols of SDL's archive cannot be read"
! grep -qw SDL_DYNAPI_entry <<<"$symbols" || die "SDL was built with its dynamic API"
say "SDL built in $((SECONDS - sdl_start)) s"
rm -rf "$new/usr/src/sdl/build"

# What the programs built here link, each library with the version its headers give and the Debian
# source package it came from, in /usr/src/debian/libraries.tsv: KEY, NAME, VERSION, SOURCE
# PACKAGE, ITS VERSION, RELEASE, what was changed. The kit's manifest is made from it.
header_value() {  # FILE MACRO: the macro's value, quotes taken off
  sed -n "s/^#define[[:space:]]\{1,\}$2[[:space:]]\{1,\}\"\{0,1\}\([^\"[:space:]]*\)\"\{0,1\}.*/\1/p" "$new$1" | head -n 1
}
debian_source() {  # BINARY_PACKAGE: its source package and version, tab-separated
  in_root dpkg-query -W -f='${source:Package}\t${source:Version}' "$1"
}
dsc_source() {  # FOLDER PACKAGE: the source package and version of the .dsc kept for PACKAGE
  local dsc
  dsc=$(find "$sources" -maxdepth 1 -name "$2_*.dsc" | head -n 1)
  [ -n "$dsc" ] || die "no $2 .dsc in $sources"
  printf '%s\t%s' "$(sed -n 's/^Source: //p' "$dsc")" "$(sed -n 's/^Version: //p' "$dsc")"
}
sdl_version=$(header_value /opt/sdl2/include/SDL2/SDL_version.h SDL_MAJOR_VERSION).$(header_value /opt/sdl2/include/SDL2/SDL_version.h SDL_MINOR_VERSION).$(header_value /opt/sdl2/include/SDL2/SDL_version.h SDL_PATCHLEVEL)
gif_version=$(header_value /usr/include/gif_lib.h GIFLIB_MAJOR).$(header_value /usr/include/gif_lib.h GIFLIB_MINOR).$(header_value /usr/include/gif_lib.h GIFLIB_RELEASE)
{
  printf 'sdl\tSDL\t%s\t%s\t%s\t%s\n' "$sdl_version" "$(dsc_source "$sources" libsdl2)" "$sdl_release" \
    "changed by scripts/portable-root.sh: a virtual keyboard's keys looked up in layout 0 until the compositor names one; no dynamic API"
  printf 'libpng\tlibpng\t%s\t%s\tbullseye\t\n' "$(header_value /usr/include/png.h PNG_LIBPNG_VER_STRING)" "$(debian_source libpng-dev)"
  printf 'zlib\tzlib\t%s\t%s\tbullseye\t\n' "$(header_value /usr/include/zlib.h ZLIB_VERSION)" "$(debian_source zlib1g-dev)"
  printf 'libjpeg-turbo\tlibjpeg-turbo\t%s\t%s\tbullseye\t\n' \
    "$(header_value /usr/include/x86_64-linux-gnu/jconfig.h LIBJPEG_TURBO_VERSION)" "$(debian_source libjpeg62-turbo-dev)"
  printf 'giflib\tgiflib\t%s\t%s\tbullseye\t\n' "$gif_version" "$(debian_source libgif-dev)"
  printf 'libimagequant\tlibimagequant\t%s\t%s\t%s\t\n' "$(header_value /opt/imagequant/include/libimagequant.h LIQ_VERSION_STRING)" \
    "$(dsc_source "$sources" libimagequant)" "$machine_release"
  printf 'gcc-runtime\tGCC runtime libraries (libstdc++, libgcc)\t%s\t%s\tbullseye\t\n' "$(in_root gcc -dumpfullversion)" \
    "$(debian_source libstdc++-10-dev)"
} >"$sources/libraries.tsv"
! cut -f3-5 "$sources/libraries.tsv" | grep -qE '(^|\t)(\t|$)|\.\.' || die "a library's version or source is not known: $(cat "$sources/libraries.tsv")"

echo "$recipe" >"$new/.tarvelin-root"
mv "$new" "$root"
say "build root ready in $((SECONDS - start)) s: $root"
