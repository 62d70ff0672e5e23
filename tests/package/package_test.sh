#!/usr/bin/env bash
# The package holds exactly what a medium's root needs, runnable as unpacked.
#   package_test.sh BUILD_DIR FILE...
set -uo pipefail
build=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
package=$(find "$work" -maxdepth 1 \( -name 'tarvelin-*.zip' -o -name 'tarvelin-*.tar.gz' \) | head -n 1)
[ -n "$package" ] || { echo "FAIL: no package made"; cat "$work/cpack.log"; exit 1; }
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$package") || exit 1
root=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)

failures=0
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$wanted" ]; then
  echo "FAIL: $(basename "$package") holds:"; echo "$actual" | sed 's/^/    /'
  echo "wanted:"; echo "$wanted" | sed 's/^/    /'
  failures=$((failures + 1))
fi
for file in tarvelin autorun.sh; do
  if [ -e "$root/$file" ] && [ ! -x "$root/$file" ]; then
    echo "FAIL: $file is not executable in the package"; failures=$((failures + 1))
  fi
done
# The Linux package carries the one Linux program, the portable build that the other tests check.
if [ -e "$root/tarvelin" ] && ! cmp -s "$root/tarvelin" "$build/runtime/sdl/tarvelin"; then
  echo "FAIL: the packaged tarvelin is not the program built in $build/runtime/sdl"; failures=$((failures + 1))
fi
if [ -e "$root/autorun.inf" ]; then
  for key in open=tarvelin.exe icon=tarvelin.exe action= label=; do
    grep -q "^$key" "$root/autorun.inf" || { echo "FAIL: autorun.inf lacks $key"; failures=$((failures + 1)); }
  done
fi
[ "$failures" -eq 0 ] && echo "$(basename "$package"): $(echo "$actual" | tr '\n' ' ')"
exit "$failures"
