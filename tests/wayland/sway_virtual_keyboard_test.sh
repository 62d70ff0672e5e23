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
readonly ROUNDS=20
# shellcheck source=tests/wayland/sway_lib.sh
source "$(dirname "$0")/sway_lib.sh"
sway_user_env

make_disc <(printf 'Sway keyboard test\r\ntools\\missing.exe\r\n')
if ! start_sway "output HEADLESS-1 mode ${SCREEN_W}x${SCREEN_H} bg #000000 solid_color
xwayland disable" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1; then
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
  start_menu_on_sway
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
