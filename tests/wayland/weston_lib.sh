# shellcheck shell=bash
# Shared by the tests of the SDL2 program on Wayland (sourced after tests/sdl/e2e_lib.sh): a weston
# of the test's own, run with its X11 back end inside the test's Xvfb, so that its output is one X
# window at the top-left of the screen (screenshots) and its seat follows the X pointer and
# keyboard (xdotool); the window's pixels are the screen's from its top-left corner on. weston places new windows where it likes: the menu is found on a black desktop
# as the box around everything that is not black. weston draws the pointer into its output, so the
# pointer's square is left out of every comparison of pictures.

readonly WESTON_SOCKET=tarvelin-test
weston_pid=
# Where the pointer is on the screen, as the last point_at or park_pointer put it.
pointer_x=0
pointer_y=0

stop_weston() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
  fi
  weston_pid=
}

# The e2e library's cleanup, with weston and the menu ended first.
weston_cleanup() {
  local status=$?
  set +e
  stop_menu
  stop_weston
  (exit "$status")
  cleanup
}
trap weston_cleanup EXIT

weston_window() { xwininfo -root -children | awk '/"Weston Compositor/ {print $1; exit}'; }
weston_ready() { [ -S "$XDG_RUNTIME_DIR/$WESTON_SOCKET" ] && [ -n "$(weston_window)" ]; }

# Starts weston on the test's X server with an output of SCALE (1 or 2) at the screen's top-left
# corner, a black desktop without panel, and any further weston options. The output leaves a strip
# of the screen free at the right and the bottom, for the pointer to leave it and come back.
readonly OUTPUT_W=$((SCREEN_W - 24)) OUTPUT_H=$((SCREEN_H - 28))
start_weston() {
  local output_scale=$1
  shift
  export XDG_RUNTIME_DIR=$WORK/runtime
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  cat >"$WORK/weston.ini" <<EOF
[core]
idle-time=0
[shell]
background-color=0xff000000
panel-position=none
locking=false
[output]
name=screen0
scale=$output_scale
EOF
  weston --backend=x11-backend.so --use-pixman --config="$WORK/weston.ini" --socket="$WESTON_SOCKET" \
    --width=$((OUTPUT_W / output_scale)) --height=$((OUTPUT_H / output_scale)) "$@" >"$WORK/weston.log" 2>&1 &
  weston_pid=$!
  if ! wait_for weston_ready; then
    cat "$WORK/weston.log" >&2
    echo "weston did not start" >&2
    exit 1
  fi
  export WAYLAND_DISPLAY=$WESTON_SOCKET
}

# Starts weston at scale 1 with its XWayland, and sets session_display to XWayland's display.
xwayland_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$WORK/weston.log" | head -n1; }
xwayland_listening() { [ -n "$(xwayland_display)" ]; }
start_weston_with_xwayland() {
  start_weston 1 --xwayland
  if ! wait_for xwayland_listening; then
    cat "$WORK/weston.log" >&2
    echo "weston started no XWayland" >&2
    exit 1
  fi
  session_display=$(xwayland_display)
}

# Puts the pointer in the output's bottom-right corner, where weston draws no more than its tip,
# and waits until weston's output is black everywhere else. weston follows a pointer that entered
# its window, so the pointer comes in from outside.
park_pointer() {
  pointer_x=$((OUTPUT_W - 1))
  pointer_y=$((OUTPUT_H - 1))
  nudge_pointer_to_corner() {
    xdotool mousemove $((SCREEN_W - 1)) $((SCREEN_H - 1)) sleep 0.05 mousemove "$pointer_x" "$pointer_y"
    sleep 0.1
    [ "$(drawn_box 2>/dev/null)" = "0x0+$OUTPUT_W+$OUTPUT_H" ]
  }
  if ! wait_for nudge_pointer_to_corner; then
    echo "weston's output is not black with no window open (drawn: $(drawn_box))" >&2
    exit 1
  fi
}

point_at() {
  pointer_x=$((menu_x + $1))
  pointer_y=$((menu_y + $2))
  xdotool mousemove "$pointer_x" "$pointer_y"
}

# The box around everything on weston's output that is not black, the pointer left out: WxH+X+Y.
drawn_box() {
  import -silent -window "$(weston_window)" "$WORK/desktop.png" &&
    convert "$WORK/desktop.png" -fill black -draw "$(pointer_square 0 0)" -format '%@' info: 2>/dev/null
}

# An ImageMagick drawing of the square the pointer's picture may cover, in the coordinates of a
# picture whose top-left is at screen pixel X,Y.
pointer_square() {
  local x=$((pointer_x - $1)) y=$((pointer_y - $2)) side=$((48 * scale))
  echo "rectangle $((x - 8)),$((y - 8)) $((x + side)),$((y + side))"
}

# Waits for the menu to show at the expected size and takes its place on the screen.
menu_on_screen() {
  local box
  box=$(drawn_box) || return 1
  [ "${box%%+*}" = "$((MENU_W * scale))x$((MENU_H * scale))" ] || return 1
  IFS=+ read -r _ menu_x menu_y <<<"$box"
}

# Starts the menu from the disc with the environment given (VAR=VALUE...) and finds it.
start_menu_on_weston() {
  park_pointer
  (cd "$ELSEWHERE" && exec env "$@" "$DISC/tarvelin") 2>"$WORK/menu.err" &
  menu_pid=$!
  if ! wait_for menu_on_screen; then
    cat "$WORK/menu.err" >&2
    echo "the menu did not appear on weston's output (drawn: $(drawn_box))" >&2
    exit 1
  fi
}

screen_shows() {
  local square
  square=$(pointer_square "$menu_x" "$menu_y")
  import -silent -window "$(weston_window)" -crop "$((MENU_W * scale))x$((MENU_H * scale))+${menu_x}+${menu_y}" +repage \
    "$WORK/shot.png" &&
    convert "$WORK/shot.png" -fill black -draw "$square" "$WORK/screen.png" &&
    convert "$EXPECTED/$1.png" -fill black -draw "$square" "$WORK/expected.png" &&
    same_picture "$WORK/screen.png" "$WORK/expected.png"
}
