#!/usr/bin/env bash
# Lays out the demo medium in build/demo-disc/ as an author would (scripts/medium.sh: the menu for
# Windows and Linux, by tarvelin-art), with examples/disc/ and stand-ins behind every entry for
# both systems, and opens it. Without a display it opens it on a virtual one, saves a screenshot,
# prints where, and closes it again.
set -euo pipefail
cd "$(dirname "$0")/.."

disc=build/demo-disc programs=build/demo-programs
rm -rf "$disc" "$programs"
# The programs behind the entries, laid out first so that the medium's report finds them: the Linux
# stand-ins of examples/disc/, and the Windows ones that the Windows build stages on its own copy of
# the demo disc.
bash scripts/medium-build.sh demo_disc
mkdir -p "$programs"
cp -r examples/disc/. "$programs/"
rm "$programs/options.ini"
(cd build/medium-windows/demo-disc && find . -name '*.exe' ! -name tarvelin.exe -exec cp --parents {} "$OLDPWD/$programs/" \;)
bash scripts/medium.sh "$disc" --options examples/disc/options.ini --programs "$programs"

# Opened as a Linux desktop opens a medium, through its autorun.sh.
if [ -n "${DISPLAY:-}" ]; then
  exec sh "$disc/autorun.sh"
fi

# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
menu_pid=
cleanup() {
  [ -z "$menu_pid" ] || kill "$menu_pid" 2>/dev/null || true
  xvfb_stop
}
trap cleanup EXIT
xvfb_start 1024x768x24 /dev/null

xdotool mousemove 0 0  # the pointer starts mid-screen, where it would light an entry up
sh "$disc/autorun.sh" &
menu_pid=$!
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$menu_pid" 2>/dev/null | head -n 1 || true)
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
