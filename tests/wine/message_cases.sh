#!/usr/bin/env bash
# End-to-end case of tarvelin.exe under Wine about the message for a command that cannot be started.

# shellcheck source=tests/wine/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case_missing_command() {
  make_disc "$work/disc" missing_command.ini
  start_menu "$work/disc/tarvelin.exe"
  highlight 1
  xdotool click 1
  expect_message 'missing\nothing.exe /x'
  # The menu carries on, the entry still highlighted.
  expect_screen 1
  expect_running
  # An empty command gives the message with nothing between "The file " and " could not be found.".
  highlight 2
  xdotool click 1
  expect_message ''
  expect_screen 2
  xdotool key Escape
  expect_exit 0
}

run_case
