#!/bin/sh
# Desktops that follow the freedesktop autostart convention offer to run this file when the medium
# is mounted, and ask the user first. It opens the menu from the medium's root.
cd "$(dirname "$0")" || exit 1
exec ./tarvelin
