#!/usr/bin/env bash
# Builds what a medium needs, for scripts/medium.sh and scripts/demo.sh: installs what building
# needs, then builds tarvelin.exe (in build/medium-windows, with the further Windows targets named),
# tarvelin and tarvelin-art (in build/medium).
#   scripts/medium-build.sh [WINDOWS_TARGET...]
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
bash "$source/scripts/install-deps.sh" demo

windows_build=$source/build/medium-windows
linux_build=$source/build/medium
cmake -S "$source" -B "$windows_build" --toolchain "$source/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DTARVELIN_TESTS=OFF >/dev/null
cmake --build "$windows_build" --target tarvelin "$@" -j2 >/dev/null
cmake -S "$source" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_TESTS=OFF \
  "-DTARVELIN_WINDOWS_PROGRAM=$windows_build/tarvelin.exe" >/dev/null
cmake --build "$linux_build" --target tarvelin tarvelin-art -j2 >/dev/null
