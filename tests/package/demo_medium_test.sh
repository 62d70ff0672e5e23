#!/usr/bin/env bash
# The demo medium opens from its root on both systems, laid out by tarvelin-art as scripts/demo.sh
# does it and unpacked from the Linux build's package: tarvelin.exe under Wine and tarvelin through
# autorun.sh, each showing the menu picture under the demo's title and closing on Escape. Runs in
# the Wine session of the Wine cases.
#   demo_medium_test.sh SESSION_DIR WIN32_BUILD_DIR TARVELIN_ART BACKGROUND.bmp LINUX_BUILD_DIR
set -uo pipefail
session=$1 build=$2 tool=$3 background=$4 linux_build=$5

if [ ! -f "$build/tarvelin.exe" ] || [ ! -d "$build/demo-disc" ]; then
  echo "SKIP: no tarvelin.exe and demo disc in $build; build it with: cmake --preset mingw && cmake --build --preset mingw"
  exit 77
fi
[ -f "$session/env" ] || { echo "FAIL: no Wine session in $session (run the wine_session_start test)"; exit 1; }
# shellcheck source=/dev/null
source "$session/env"
work=$(mktemp -d "$TARVELIN_WINE_TMP/medium.XXXXXX")
menu_pid=
trap '[ -z "$menu_pid" ] || kill "$menu_pid" 2>/dev/null' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cp -r "$build/demo-disc" "$work/disc"
rm "$work/disc/tarvelin.exe"
output=$("$tool" medium "$work/disc" --windows "$build/tarvelin.exe" 2>&1) || fail "laying out the demo medium: $output"
shown=$(bash "$(dirname "$0")/shown_names.sh" "$work/disc")
grep -qx 'Windows names shown twice: ' <<<"$shown" && grep -qx 'Linux programs: autorun.sh' <<<"$shown" ||
  fail "the demo medium shows more than one thing to open: $(tr '\n' ';' <<<"$shown")"
convert "$background" "$work/expected.png"

cpack --config "$linux_build/CPackConfig.cmake" -G TGZ -B "$work/package" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
mkdir "$work/unpacked"
(cd "$work/unpacked" && tar xzf "$work"/package/tarvelin-*.tar.gz) || fail "the package does not unpack"
package=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)

# opens SYSTEM COMMAND...: the menu window shows the picture under the demo's title, and Escape
# closes it.
opens() {
  local system=$1 window= deadline=$((SECONDS + 60))
  shift
  xdotool mousemove 0 0  # off the window, which opens centred
  (cd /tmp && exec "$@") >"$work/log" 2>&1 &
  menu_pid=$!
  until window=$(xdotool search --onlyvisible --name '^Tarvelin Demo Disc$' 2>/dev/null | head -n1) && [ -n "$window" ]; do
    if ! kill -0 "$menu_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      fail "$system: no menu window: $(cat "$work/log")"
      return
    fi
    sleep 0.1
  done
  local differ=1
  for _ in $(seq 50); do  # until the first paint has reached the screen
    import -window "$window" "$work/shown.png" 2>/dev/null
    differ=$(compare -metric AE "$work/expected.png" "$work/shown.png" null: 2>&1)
    [ "$differ" = 0 ] && break
    sleep 0.1
  done
  [ "$differ" = 0 ] || fail "$system: the window shows something else than the menu picture ($differ pixels differ)"
  xdotool mousemove --window "$window" 5 5 click 1 key Escape
  for _ in $(seq 300); do
    kill -0 "$menu_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$menu_pid" 2>/dev/null; then
    fail "$system: the menu did not close on Escape"
    kill "$menu_pid"
  fi
  menu_pid=
  echo "$system: the demo medium opened and closed"
}
opens Windows wine "$work/disc/tarvelin.exe"
opens Linux "$work/disc/autorun.sh"
opens "Windows, from the package" wine "$package/tarvelin.exe"
opens "Linux, from the package" "$package/autorun.sh"

[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
