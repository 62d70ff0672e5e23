#!/usr/bin/env bash
# Every package holds exactly what a medium's root needs, runnable as unpacked.
#   package_test.sh BUILD_DIR FILE...
set -uo pipefail
build=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
packages=$(find "$work" -maxdepth 1 \( -name 'tarvelin-*.zip' -o -name 'tarvelin-*.tar.gz' \) | sort)
[ -n "$packages" ] || { echo "FAIL: no package made"; cat "$work/cpack.log"; exit 1; }

failures=0
for package in $packages; do
  rm -rf "$work/unpacked"
  mkdir "$work/unpacked"
  (cd "$work/unpacked" && cmake -E tar xf "$package") || exit 1
  root=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  name=$(basename "$package")

  actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
  wanted=$(printf '%s\n' "$@" | sort)
  if [ "$actual" != "$wanted" ]; then
    echo "FAIL: $name holds:"; echo "$actual" | sed 's/^/    /'
    echo "wanted:"; echo "$wanted" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
  # The Linux program in a package is the one Linux program, the portable build the other tests check.
  if [ -e "$root/.tarvelin" ] && ! cmp -s "$root/.tarvelin" "$build/runtime/sdl/tarvelin"; then
    echo "FAIL: the .tarvelin in $name is not the program built in $build/runtime/sdl"; failures=$((failures + 1))
  fi
  # One thing to open for each system's user: tarvelin.exe on Windows, autorun.sh on Linux.
  if [ -e "$root/tarvelin.exe" ]; then
    shown=$(bash "$(dirname "$0")/shown_names.sh" "$root")
    if ! grep -qx 'Windows names shown twice: ' <<<"$shown" ||
      { [ -e "$root/autorun.sh" ] && ! grep -qx 'Linux programs: autorun.sh' <<<"$shown"; }; then
      echo "FAIL: $name shows more than one thing to open:"; echo "$shown" | sed 's/^/    /'
      failures=$((failures + 1))
    fi
  fi
  for file in .tarvelin autorun.sh; do
    if [ -e "$root/$file" ] && [ ! -x "$root/$file" ]; then
      echo "FAIL: $file is not executable in $name"; failures=$((failures + 1))
    fi
  done
  if [ -e "$root/autorun.inf" ]; then
    for key in open=tarvelin.exe icon=tarvelin.exe action= label=; do
      grep -q "^$key" "$root/autorun.inf" || { echo "FAIL: autorun.inf lacks $key in $name"; failures=$((failures + 1)); }
    done
  fi
  # Every licence text LICENSES.txt names is there beside it.
  for path in $(grep -oE 'licenses/[A-Za-z0-9_.-]+\.txt' "$root/LICENSES.txt" | sort -u); do
    [ -f "$root/$path" ] || { echo "FAIL: LICENSES.txt names $path, which $name does not hold"; failures=$((failures + 1)); }
  done
  if [ -e "$root/tarvelin.exe" ] && [ "$(head -c 2 "$root/tarvelin.exe")" != MZ ]; then
    echo "FAIL: tarvelin.exe in $name is not a Windows program"; failures=$((failures + 1))
  fi
  echo "$name: $(echo "$actual" | tr '\n' ' ')"
done
exit "$failures"
