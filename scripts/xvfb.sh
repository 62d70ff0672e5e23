# shellcheck shell=bash
# A private X server for the scripts that need a display, the tests', the demo's and the
# benchmarks' (sourced, not run): Xvfb on a display number it finds free itself, not listening on
# TCP, ready for clients when xvfb_start returns. It never resets: a server that resets when its
# last client leaves refuses the clients that connect meanwhile, and a script that polls with
# xdotool while a program starts would, now and then, leave that program without a display.
#
#   xvfb_start SCREEN LOG [XVFB_OPTION...]
#     SCREEN is WIDTHxHEIGHTxDEPTH; Xvfb's output goes to LOG. Exports DISPLAY and sets XVFB_PID.
#     When Xvfb ends, or names no display within 30 s, it is stopped, LOG is shown on standard
#     error and the status is 1.
#   xvfb_stop
#     Stops the server XVFB_PID names, by process id only: the one xvfb_start started, or one an
#     earlier process started, its id set by the caller.

XVFB_PID=

xvfb_start() {
  local screen=$1 log=$2
  shift 2
  local display_file deadline=$((SECONDS + 30))
  display_file=$(mktemp "${TMPDIR:-/tmp}/tarvelin-xvfb.XXXXXX")
  # Xvfb writes the number of the display it took to fd 3 once it accepts connections there.
  Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "$screen" "$@" 3>"$display_file" >"$log" 2>&1 &
  XVFB_PID=$!
  until grep -q '[0-9]' "$display_file"; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
      xvfb_stop
      rm -f "$display_file"
      cat "$log" >&2
      echo "Xvfb did not start" >&2
      return 1
    fi
    sleep 0.05
  done
  DISPLAY=:$(head -n1 "$display_file")
  export DISPLAY
  rm -f "$display_file"
}

xvfb_stop() {
  if [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; then
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  XVFB_PID=
}
