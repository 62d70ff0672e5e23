#!/usr/bin/env bash
# Builds the menu and opens it from the demo disc in examples/disc/. Without a display it opens it
# on a virtual one, saves a screenshot, prints where, and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh demo

cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF >/dev/null
cmake --build build/demo --target tarvelin -j2

# options.ini is read from the executable's own directory, so the program goes onto the disc.
disc=build/demo-disc
rm -rf "$disc"
cp -r examples/disc "$disc"
cp build/demo/runtime/sdl/tarvelin "$disc/tarvelin"

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
