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
# Where a stage that runs ctest has it write its JUnit report (--output-junit "$junit").
junit=$(mktemp)
trap 'rm -f "$junit"' EXIT

# "PASSED FAILED" from ctest's JUnit report, counted as ctest's own summary counts: a skipped test
# passed, one that could not run (no executable, a failed fixture) failed, a disabled one is left out.
junit_counts() {
  awk '
    /<testcase / {
      status = $0
      sub(/.* status="/, "", status)
      sub(/".*/, "", status)
      if (status == "run") passed++
      else if (status == "fail" || status == "notrun") failed++
    }
    /<skipped message="SKIP_/ { passed++; failed-- }
    END { print passed + 0, failed + 0 }' "$1"
}

# Runs one stage; the tests of ctest's report are added to the total, any other stage counts as
# one test.
stage() {
  local name=$1
  shift
  echo "=== $name"
  : >"$junit"
  "$@" 2>&1
  local status=$?
  local good bad
  read -r good bad < <(junit_counts "$junit")
  # A stage without a report, or whose report holds no test (none found), counts as one test.
  if [ $((good + bad)) -gt 0 ]; then
    passed=$((passed + good))
    failed=$((failed + bad))
    # A runner that fails without a failing test (an error of its own) still fails.
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
stage "Windows unit tests under Wine" ctest --preset mingw --output-junit "$junit"
stage "build tarvelin" build default -DTARVELIN_TESTS=ON
stage "Linux tests" ctest --preset default --output-junit "$junit"
stage "build with sanitizers" build sanitize -DTARVELIN_TESTS=ON
stage "unit tests with sanitizers" ctest --preset sanitize --output-junit "$junit"
stage "fuzz targets, short runs" env TARVELIN_WARNINGS_AS_ERRORS=ON bash tests/fuzz/run.sh all smoke --output-junit "$junit"

echo
[ ${#failures[@]} -eq 0 ] || echo "Failed stages: ${failures[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
