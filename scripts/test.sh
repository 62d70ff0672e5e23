#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test: the Windows program and its
# tests under Wine, the Linux program with its unit, POSIX and end-to-end tests, the unit suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test || exit 1

passed=0
failed=0
failures=()
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs one stage; ctest's own count is added to the total, any other stage counts as one test.
stage() {
  local name=$1
  shift
  echo "=== $name"
  "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local counts
  counts=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$counts" ]; then
    local total bad
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$counts")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$counts")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    # A runner that fails without a failing test (no tests found, a crash) still fails.
    [ "$bad" -eq 0 ] && [ "$status" -ne 0 ] && failed=$((failed + 1))
  elif [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  [ "$status" -eq 0 ] || failures+=("$name")
}

# A compiler warning fails the build here.
build() {
  local preset=$1
  shift
  cmake --preset "$preset" -DTARVELIN_WARNINGS_AS_ERRORS=ON "$@" >/dev/null && cmake --build --preset "$preset"
}

# The Windows program first: the Linux build's Wine tests start it.
stage "build tarvelin.exe" build mingw
stage "Windows unit tests under Wine" ctest --preset mingw
stage "build tarvelin" build default -DTARVELIN_TESTS=ON
stage "Linux tests" ctest --preset default
stage "build with sanitizers" build sanitize -DTARVELIN_TESTS=ON
stage "unit tests with sanitizers" ctest --preset sanitize
stage "fuzz targets, short runs" env TARVELIN_WARNINGS_AS_ERRORS=ON bash tests/fuzz/run.sh all smoke

echo
[ ${#failures[@]} -eq 0 ] || echo "Failed stages: ${failures[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
