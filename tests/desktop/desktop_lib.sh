# shellcheck shell=bash
# Shared by the desktop tests (sourced after tests/sdl/e2e_lib.sh): a session bus of the test's own
# and a headless Wayland compositor of the test's own, kwin_wayland or mutter_wayland (mutter as a
# Wayland compositor), each ended with the test by its process id.

wm_pid=
bus_pid=
# Ends the compositor and the bus, then what e2e_lib cleans, keeping the test's exit status.
desktop_cleanup() {
  local status=$?
  # shellcheck disable=SC2086 # either may be empty
  kill $wm_pid $bus_pid 2>/dev/null
  (exit "$status")
  cleanup
}
trap desktop_cleanup EXIT

# The desktops' window managers want a session bus (dbus-run-session, ended, leaves its bus
# behind).
start_session_bus() {
  dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus-address" >/dev/null 2>&1 &
  bus_pid=$!
  bus_ready() { grep -q . "$WORK/bus-address"; }
  wait_for bus_ready || { echo "the session bus did not start" >&2; exit 1; }
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$WORK/bus-address")
  export DBUS_SESSION_BUS_ADDRESS
}

# The compositor's Wayland display.
readonly SESSION_WAYLAND_DISPLAY=tarvelin-test

# Starts the compositor named on a 1024 x 768 output, with its XWayland, in a runtime directory of
# the test's own, and sets DISPLAY (and XAUTHORITY) to its XWayland: the compositor hands them to
# the program it starts, which lives as long as the test (mutter ends with it, and kwin starts it
# detached). Ends the test as skipped when the compositor cannot start here.
start_compositor() {
  local name=$1 compositor
  case $name in
    # Debian gives kwin_wayland a file capability (CAP_SYS_RESOURCE), and where the bounding set
    # lacks it, as in a container, the kernel refuses to run it; a copy carries none.
    kwin_wayland)
      cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
      compositor=("$WORK/kwin_wayland" --virtual --xwayland --width "$SCREEN_W" --height "$SCREEN_H"
                  --socket "$SESSION_WAYLAND_DISPLAY") ;;
    mutter_wayland)
      compositor=(mutter --wayland --headless --virtual-monitor "${SCREEN_W}x${SCREEN_H}"
                  --wayland-display "$SESSION_WAYLAND_DISPLAY" --sm-disable) ;;
    *) echo "no way to start $name" >&2; exit 2 ;;
  esac
  export XDG_RUNTIME_DIR=$WORK/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  printf '#!/bin/sh\necho "$DISPLAY ${XAUTHORITY:-}" >"%s"\nexec tail -f /dev/null --pid=%s\n' \
    "$WORK/session-display" $$ >"$WORK/session.sh"
  chmod +x "$WORK/session.sh"
  unset DISPLAY WAYLAND_DISPLAY XAUTHORITY GDK_SCALE
  "${compositor[@]}" "$WORK/session.sh" >"$WORK/wm.log" 2>&1 &
  wm_pid=$!
  session_ready() {
    [ -s "$WORK/session-display" ] && read -r DISPLAY XAUTHORITY <"$WORK/session-display" &&
      export DISPLAY XAUTHORITY && xdpyinfo >/dev/null 2>&1
  }
  if ! wait_for session_ready; then
    cat "$WORK/wm.log" >&2
    if ! kill -0 "$wm_pid" 2>/dev/null; then echo "SKIP: $name cannot start here"; exit 77; fi
    echo "$name started no XWayland" >&2
    exit 1
  fi
}
