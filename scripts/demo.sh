#!/usr/bin/env bash
# Builds the menu for Linux and Windows and lays out the demo medium with tarvelin-art, as an author
# would: examples/disc/ with stand-ins behind every entry, both programs and the autorun files, in
# build/demo-disc/. Then opens it. Without a display it opens it on a virtual one, saves a
# screenshot, prints where, and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh demo

windows_build=build/demo-windows
cmake -S . -B "$windows_build" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel -DTARVELIN_TESTS=OFF >/dev/null
cmake --build "$windows_build" --target demo_disc -j2  # tarvelin.exe and the Windows stand-ins
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF \
  "-DTARVELIN_WINDOWS_PROGRAM=$PWD/$windows_build/tarvelin.exe" >/dev/null
cmake --build build/demo --target tarvelin-art -j2

# examples/disc/ with the Windows stand-ins beside the Linux ones, then the menu for both systems.
disc=build/demo-disc
rm -rf "$disc"
cp -r "$windows_build/demo-disc" "$disc"
rm "$disc/tarvelin.exe"
build/demo/tools/tarvelin-art/tarvelin-art medium "$disc"

if [ -n "${DISPLAY:-}" ]; then
  exec "$disc/tarvelin"
fi

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -noreset -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&3
pids+=("$xvfb_pid")
read -r display <&3
export DISPLAY=":$display"

xdotool mousemove 0 0  # the pointer starts mid-screen, where it would light an entry up
"$disc/tarvelin" &
pids=("$!" "${pids[@]}")
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "${pids[0]}" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "${window:-}" ] || { echo "The menu did not open." >&2; exit 1; }
sleep 0.3  # let the first paint reach the screen
eval "$(xdotool getwindowgeometry --shell "$window")"
screenshot="$PWD/build/demo-screenshot.png"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
echo "No display here: the menu opened on a virtual one ($DISPLAY), titled \"$(xdotool getwindowname "$window")\"."
echo "Screenshot: $screenshot"
