#!/usr/bin/env bash
# The menu on sway while a virtual keyboard comes and goes, as an on-screen keyboard or a tool that
# types for the user makes one: sway headless, with no input device of its own, run by an
# unprivileged user (sway refuses root; nobody when the test runs as root) in a runtime directory
# of its own. In each round the menu's window gets the keyboard for the first time from a virtual
# keyboard (wtype) that holds a key down, and the menu must live on and end by Escape with status
# 0. Whether a fault there crashes depends on where memory lies in each process, so the rounds
# are many.
#
# Run as: bash SCRIPT PROGRAM ART_DIR, with TARVELIN_HOT_SPOTS naming the build's table of hot spots.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/../sdl/e2e_lib.sh"

for tool in sway swaymsg wtype; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
readonly ROUNDS=20 USER_NAME=nobody
RUNTIME=$WORK/sway-runtime
readonly RUNTIME
sway_pid=
sway_cleanup() {
  local status=$?
  set +e
  stop_menu
  if [ -n "$sway_pid" ]; then
    kill "$sway_pid" 2>/dev/null
    wait "$sway_pid" 2>/dev/null
  fi
  (exit "$status")
  cleanup
}
trap sway_cleanup EXIT

USER_ENV=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$RUNTIME" XDG_RUNTIME_DIR="$RUNTIME")
if [ "$(id -u)" -eq 0 ]; then
  USER_ENV=(setpriv --reuid="$USER_NAME" --regid="$(id -g "$USER_NAME")" --clear-groups "${USER_ENV[@]}")
fi
readonly USER_ENV
in_session() { "${USER_ENV[@]}" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$(echo "$RUNTIME"/sway-ipc.*.sock)" "$@"; }

make_disc <(printf 'Sway keyboard test\r\ntools\\missing.exe\r\n')
chmod a+rx "$WORK"
mkdir -m 700 "$RUNTIME"
if [ "$(id -u)" -eq 0 ]; then chown "$USER_NAME" "$RUNTIME"; fi
cat >"$WORK/sway.config" <<EOF
output HEADLESS-1 mode ${SCREEN_W}x${SCREEN_H} bg #000000 solid_color
xwayland disable
EOF
chmod a+r "$WORK/sway.config"
"${USER_ENV[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$WORK/sway.config" \
  >"$WORK/sway.log" 2>&1 &
sway_pid=$!
sway_ready() { [ -S "$RUNTIME/wayland-1" ] && in_session swaymsg -t get_outputs >/dev/null 2>&1; }
if ! wait_for sway_ready; then
  cat "$WORK/sway.log" >&2
  echo "SKIP: sway does not start headless here"
  exit 77
fi

# Waits up to a second for the menu to end.
ended_within_a_second() {
  local deadline=$((SECONDS + 1))
  until menu_ended; do
    [ "$SECONDS" -gt "$deadline" ] && return 1
    sleep 0.05
  done
}
menu_mapped() { in_session swaymsg -t get_tree 2>/dev/null | grep -q "\"pid\": $menu_pid,"; }

crashes=0
for round in $(seq "$ROUNDS"); do
  (cd "$ELSEWHERE" && exec "${USER_ENV[@]}" WAYLAND_DISPLAY=wayland-1 SDL_VIDEODRIVER=wayland "$DISC/tarvelin") \
    2>"$WORK/menu.err" &
  menu_pid=$!
  if ! wait_for menu_mapped; then
    fail "round $round: the menu's window did not appear on sway; standard error: $(tr "\n" " " <"$WORK/menu.err")"
    stop_menu || true
    continue
  fi
  # While the menu's workspace is hidden, a virtual keyboard appears and holds Escape down; the
  # menu's window gets the keyboard with that key down when its workspace shows again, and the
  # key is let go. Then Escape, typed on a virtual keyboard that waits until the menu has taken
  # the keyboard up.
  in_session swaymsg workspace 2 >/dev/null
  in_session wtype -P Escape -s 1000 -p Escape &
  wtype_pid=$!
  sleep 0.3
  in_session swaymsg workspace 1 >/dev/null
  wait "$wtype_pid" || fail "round $round: wtype could not hold a key on sway"
  ended_within_a_second || in_session wtype -s 300 -k Escape || fail "round $round: wtype could not type on sway"
  status=0
  if wait_for menu_ended; then
    wait "$menu_pid" || status=$?
    menu_pid=
  else
    status=running
    stop_menu || true
  fi
  case $status in
    0) ;;
    running) fail "round $round: Escape from the virtual keyboard did not end the menu" ;;
    *)
      [ "$status" -gt 128 ] && crashes=$((crashes + 1))
      fail "round $round: the menu ended with status $status; standard error: $(tr "\n" " " <"$WORK/menu.err")"
      ;;
  esac
done
if [ "$crashes" -eq 0 ]; then
  pass "no crash in $ROUNDS rounds of a virtual keyboard typing Escape on the menu"
else
  fail "the menu crashed in $crashes of $ROUNDS rounds when a virtual keyboard typed on it"
fi
finish
