#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) in
# build/fuzz and runs them.
#
#   tests/fuzz/run.sh TARGET|all smoke [CTEST_OPTION...]
#                                            the short fixed run count of the tests (ctest in build/fuzz)
#   tests/fuzz/run.sh TARGET|all RUNS        e.g. "all 10000000": that many inputs each, one at a time
#   tests/fuzz/run.sh TARGET|all SECONDSs    e.g. "bitmap 600s": that long each
#
# Targets: options, bitmap, command_line, picture_png, picture_jpeg, picture_bmp, picture_gif.
# A long run keeps what it finds new in
# build/fuzz/work/TARGET (the seeds in tests/fuzz/corpus are only read), writes a crashing input to
# build/fuzz/artifacts/, prints the runs each target survived, and exits non-zero on the first crash.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$root/build/fuzz"

usage() {
  sed -n '4,8p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

[ $# -eq 2 ] || { [ $# -gt 2 ] && [ "$2" = smoke ]; } || usage

# TARVELIN_WARNINGS_AS_ERRORS=ON in the environment makes a compiler warning fail the build (CI).
CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVELIN_WARNINGS_AS_ERRORS="${TARVELIN_WARNINGS_AS_ERRORS:-OFF}" >/dev/null || exit 1
cmake --build "$build" -j2 >/dev/null || exit 1

if [ "$2" = smoke ]; then
  if [ "$1" = all ]; then exec ctest --test-dir "$build" --output-on-failure "${@:3}"; fi
  exec ctest --test-dir "$build" --output-on-failure --no-tests=error -R "^fuzz_$1\$" "${@:3}"
fi

case "$2" in
  *[!0-9s]* | s* | "") usage ;;
  *s) limit=(-max_total_time="${2%s}") ;;
  *) limit=(-runs="$2") ;;
esac

# "name:max_len" per line, written by the CMake project.
mapfile -t targets < "$build/targets.txt"
selected=()
for entry in "${targets[@]}"; do
  [ -n "$entry" ] || continue
  if [ "$1" = all ] || [ "$1" = "${entry%%:*}" ]; then selected+=("$entry"); fi
done
[ ${#selected[@]} -gt 0 ] || { echo "run.sh: no fuzz target named $1" >&2; usage; }

for entry in "${selected[@]}"; do
  name=${entry%%:*}
  max_len=${entry#*:}
  log="$build/$name.log"
  mkdir -p "$build/work/$name" "$build/artifacts"
  echo "fuzz_$name: ${limit[*]} -max_len=$max_len (log: $log)"
  start=$(date +%s)
  status=0
  nice "$build/fuzz_$name" "${limit[@]}" -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" "$build/work/$name" "$here/corpus/$name" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz_$name: ${runs:-?} runs in $(($(date +%s) - start)) s, exit status $status"
  if [ "$status" -ne 0 ]; then
    grep -E "ERROR|runtime error|Test unit written" "$log" | head -5
    exit "$status"
  fi
done
