#!/usr/bin/env bash
# Starts or stops what the Wine end-to-end cases share: an Xvfb display and a fresh Wine prefix in
# a temporary directory.
#   wine_session.sh start SESSION_DIR WIN32_BUILD_DIR   (exit 77 when tarvelin.exe was not built)
#   wine_session.sh stop SESSION_DIR
# SESSION_DIR/env then holds the environment the cases run in. Only processes started here are
# stopped, by process id (Xvfb) or through this prefix's own wineserver.
set -euo pipefail
# shellcheck source=scripts/xvfb.sh
source "$(dirname "$0")/../../scripts/xvfb.sh"

action=$1
session=$2

stop_session() {
  [ -f "$session/env" ] || return 0
  # shellcheck source=/dev/null
  source "$session/env"
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  XVFB_PID=${TARVELIN_XVFB_PID:-}
  xvfb_stop
  if [ -n "${TARVELIN_WINE_TMP:-}" ]; then rm -rf "$TARVELIN_WINE_TMP"; fi
  rm -f "$session/env"
}

if [ "$action" = stop ]; then
  stop_session
  exit 0
fi

build=$3
if [ ! -f "$build/tarvelin.exe" ]; then
  echo "SKIP: no tarvelin.exe in $build; build it with: cmake --preset mingw && cmake --build --preset mingw"
  exit 77
fi
for tool in Xvfb wine wineserver xdotool xwininfo xprop import compare convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (see scripts/install-deps.sh test)" >&2; exit 1; }
done

stop_session  # whatever an interrupted run left behind
mkdir -p "$session"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarvelin-wine.XXXXXX")
trap 'status=$?; [ $status -eq 0 ] || stop_session; exit $status' EXIT

echo "export TARVELIN_WINE_TMP='$tmp'" >"$session/env"
xvfb_start 1024x768x24 "$tmp/xvfb.log" || { echo "FAIL: no X display for the Wine cases" >&2; exit 1; }
{
  echo "export TARVELIN_XVFB_PID=$XVFB_PID"
  echo "export DISPLAY=$DISPLAY"
  echo "export WINEPREFIX='$tmp/prefix'"
  # 64-bit Wine running 32-bit programs as 64-bit Windows does (WoW64), tarvelin.exe among them.
  echo "export WINEARCH=win64"
  echo "export WINEDEBUG=-all"
  # No Mono or Gecko installer, which a new prefix would otherwise offer in a dialog.
  echo "export WINEDLLOVERRIDES='mscoree,mshtml='"
} >>"$session/env"
# shellcheck source=/dev/null
source "$session/env"

# The server stays up for the whole session, so no case waits for a prefix to start again.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i >"$tmp/wineboot.log" 2>&1 </dev/null
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] ||
  { echo "FAIL: the prefix runs no 32-bit programs; install wine32 (see scripts/install-deps.sh test)" >&2; exit 1; }
# Without a window manager Wine waits about 2 s for a destroyed window to be withdrawn unless its
# windows are unmanaged; no game controller drivers are wanted either.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKLM\System\CurrentControlSet\Services\WineBus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1
echo "Wine prefix ready in $WINEPREFIX on display $DISPLAY"
