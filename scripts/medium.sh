#!/usr/bin/env bash
# Makes a medium for Windows and Linux from an author's pictures and options.ini, in one command:
# installs what building needs, builds tarvelin.exe, tarvelin and tarvelin-art, and lets
# tarvelin-art lay out the folder.
#   scripts/medium.sh DIR --options options.ini [--background PICTURE [--highlight PICTURE]
#                     [--no-dither] [--highlight-colour COLOUR] [--matte COLOUR]] [--preview PREVIEW.png]
#                     [--force]
# Relative paths are taken from the current directory.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
bash "$source/scripts/install-deps.sh" demo

windows_build=$source/build/medium-windows
linux_build=$source/build/medium
cmake -S "$source" -B "$windows_build" --toolchain "$source/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DTARVELIN_TESTS=OFF >/dev/null
cmake --build "$windows_build" --target tarvelin -j2 >/dev/null
cmake -S "$source" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF \
  "-DTARVELIN_WINDOWS_PROGRAM=$windows_build/tarvelin.exe" >/dev/null
cmake --build "$linux_build" --target tarvelin tarvelin-art -j2 >/dev/null
exec "$linux_build/tools/tarvelin-art/tarvelin-art" medium "$@"
