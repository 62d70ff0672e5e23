# shellcheck shell=bash
# sway for the Wayland tests, sourced after tests/sdl/e2e_lib.sh: sway refuses to run as root, so it
# runs as an unprivileged user (nobody when the test runs as root) in a clean environment whose
# runtime directory is the test's own; the menu is started the same way.

readonly USER_NAME=nobody
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

# sway_user_env [VAR=VALUE...]: USER_ENV, the command prefix that runs as the user, with these too.
sway_user_env() {
  USER_ENV=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$RUNTIME" XDG_RUNTIME_DIR="$RUNTIME" "$@")
  if [ "$(id -u)" -eq 0 ]; then
    USER_ENV=(setpriv --reuid="$USER_NAME" --regid="$(id -g "$USER_NAME")" --clear-groups "${USER_ENV[@]}")
  fi
  readonly USER_ENV
}
# A command in the session: the user's environment with sway's sockets.
in_session() { "${USER_ENV[@]}" WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$(echo "$RUNTIME"/sway-ipc.*.sock)" "$@"; }

# start_sway CONFIG_TEXT VAR=VALUE...: sway with this configuration, on the back end the variables
# choose; false, with sway's log on standard error, when it does not come up.
start_sway() {
  local config=$1
  shift
  # The user reads the disc and the configuration; the runtime directory is the user's alone.
  chmod a+rx "$WORK"
  mkdir -m 700 "$RUNTIME"
  if [ "$(id -u)" -eq 0 ]; then chown "$USER_NAME" "$RUNTIME"; fi
  printf '%s\n' "$config" >"$WORK/sway.config"
  chmod a+r "$WORK/sway.config"
  "${USER_ENV[@]}" "$@" WLR_RENDERER=pixman sway -c "$WORK/sway.config" >"$WORK/sway.log" 2>&1 &
  sway_pid=$!
  wait_for sway_ready || { cat "$WORK/sway.log" >&2; return 1; }
}
sway_ready() { [ -S "$RUNTIME/wayland-1" ] && in_session swaymsg -t get_outputs >/dev/null 2>&1; }

# The menu started by the user from another folder with SDL's Wayland driver, as menu_pid; its
# standard error in $WORK/menu.err.
start_menu_on_sway() {
  (cd "$ELSEWHERE" && exec "${USER_ENV[@]}" WAYLAND_DISPLAY=wayland-1 SDL_VIDEODRIVER=wayland "$DISC/tarvelin") \
    2>"$WORK/menu.err" &
  menu_pid=$!
}
