#!/usr/bin/env bash
# The opener's verdict when the menu may start no thread (an address space too small for a
# thread's stack, as a tight limit gives): a document still opens, a refusing opener still gives
# the message, and the menu lives on; Escape ends it with status 0.

# shellcheck source=tests/sdl/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"

start_xvfb
make_disc /dev/null
printf 'Verdict limits\r\ndocs\\guide.pdf\r\ndocs\\refused.pdf\r\n' >"$DISC/options.ini"
make_expected_pictures
mkdir -p "$DISC/docs" "$WORK/bin"
echo '%PDF-1.4' >"$DISC/docs/guide.pdf"
echo '%PDF-1.4' >"$DISC/docs/refused.pdf"
DISC_REAL=$(cd "$DISC" && pwd -P)
readonly DISC_REAL

# The desktop's opener: records its target, refuses the one named refused.
readonly OPENED=$WORK/opened.log
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
echo "opened [\$*]" >>"$OPENED"
case \$1 in *refused*) exit 4 ;; esac
exit 0
EOF
chmod +x "$WORK/bin/xdg-open"
export PATH="$WORK/bin:/usr/bin:/bin"

# Every thread's stack is as large as the stack limit, which is more than the whole address space
# the menu may have; the menu itself needs far less.
readonly LIMIT=$((64 << 20))
xdotool mousemove 0 0
(cd "$ELSEWHERE" && exec prlimit --as=$LIMIT --stack=$((2 * LIMIT)) "$DISC/tarvelin") 2>"$WORK/menu.err" &
menu_pid=$!
await_menu_window
if grep -q "^Max address space *$LIMIT " "/proc/$menu_pid/limits"; then
  pass "the menu runs in an address space of $((LIMIT >> 20)) MiB, with $((2 * LIMIT >> 20)) MiB stacks"
else
  fail "the case cannot limit the menu: $(grep -E 'address space|stack' "/proc/$menu_pid/limits" | tr -s ' ')"
fi

point_at_hot_spot 1
expect_screen lit-1 "entry 1 highlighted"
xdotool click 1
if wait_for grep -q -F "opened [$DISC_REAL/docs/guide.pdf]" "$OPENED" 2>/dev/null; then
  pass "the document goes to the opener"
else
  fail "the opener was not given the document: $(cat "$OPENED" 2>/dev/null)"
fi
# The opener's time to refuse is 2 s; the menu must outlive it.
sleep 2.5
if menu_running; then
  pass "the menu lives after the opener's verdict"
else
  status=0
  wait "$menu_pid" || status=$?
  menu_pid=
  fail "the menu ended with status $status after a document click: $(tr '\n' ' ' <"$WORK/menu.err")"
  finish
fi
no_message_box || fail "an opener that took the document gave a message"
expect_screen lit-1 "entry 1 still highlighted after the verdict"

point_at_hot_spot 2
expect_screen lit-2 "entry 2 highlighted"
xdotool click 1
if wait_for message_box_shown; then pass "a refusing opener gives the message"; else fail "no message for a refusing opener"; fi
xdotool key --window "$(message_box_window)" Return
wait_for no_message_box || fail "the message box stays"
point_at_hot_spot 1
expect_screen lit-1 "the menu works after the opener's message"
xdotool key Escape
expect_menu_exit_status 0 "Escape ends the program"
finish
