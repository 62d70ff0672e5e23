#!/usr/bin/env bash
# Makes a medium for Windows and Linux from an author's pictures and options.ini, in one command:
# installs what building needs, builds tarvelin.exe, tarvelin and tarvelin-art
# (scripts/medium-build.sh), and lets tarvelin-art lay out the folder.
#   scripts/medium.sh DIR --options options.ini [--background PICTURE [--highlight PICTURE]
#                     [--no-dither] [--highlight-colour COLOUR] [--matte COLOUR]] [--programs DIR]
#                     [--preview PREVIEW.png] [--force]
# Relative paths are taken from the current directory.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
bash "$source/scripts/medium-build.sh"
exec "$source/build/medium/tools/tarvelin-art/tarvelin-art" medium "$@"
