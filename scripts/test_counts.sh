# shellcheck shell=bash
# The counting of scripts/test.sh (sourced, not run): each stage's tests counted as passed, failed
# or skipped, and the closing line "N passed, N failed, N skipped". tests/run/counts_test.sh
# checks it on reports of a real ctest run.

passed=0
failed=0
skipped=0
failures=()
# Where a stage that runs ctest has it write its JUnit report (--output-junit "$junit"); set by the
# sourcing script.
junit=${junit:-}

# "PASSED FAILED SKIPPED" from ctest's JUnit report. A test that ran and passed passed; a skipped
# one (its SKIP_RETURN_CODE, or output matching its SKIP_REGULAR_EXPRESSION, as GoogleTest's
# GTEST_SKIP gives) or a disabled one was skipped; one that could not run (no executable, a failed
# fixture) failed, as a failure did.
junit_counts() {
  awk '
    function settle() {
      if (status == "run") passed++
      else if (status == "disabled") skipped++
      else if (status == "notrun" && message ~ /^SKIP_/) skipped++
      else failed++
    }
    /<testcase / {
      if (open) settle()
      open = 1
      message = ""
      status = $0
      sub(/.* status="/, "", status)
      sub(/".*/, "", status)
    }
    /<skipped message="/ {
      message = $0
      sub(/.*<skipped message="/, "", message)
    }
    END {
      if (open) settle()
      print passed + 0, failed + 0, skipped + 0
    }' "$1"
}

# Runs one stage; the tests of ctest's report are added to the counts, any other stage counts as
# one test.
stage() {
  local name=$1 began=$SECONDS
  shift
  echo "=== $name"
  [ -z "$junit" ] || : >"$junit"
  "$@" 2>&1
  local status=$?
  echo "=== $name: $((SECONDS - began)) s, exit status $status"
  local good bad skip
  read -r good bad skip < <(if [ -s "$junit" ]; then junit_counts "$junit"; else echo 0 0 0; fi)
  # A stage without a report, or whose report holds no test (none found), counts as one test.
  if [ $((good + bad + skip)) -gt 0 ]; then
    passed=$((passed + good))
    failed=$((failed + bad))
    skipped=$((skipped + skip))
    # A runner that fails without a failing test (an error of its own) still fails.
    [ "$bad" -eq 0 ] && [ "$status" -ne 0 ] && failed=$((failed + 1))
  elif [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  [ "$status" -eq 0 ] || failures+=("$name")
}

# A stage that cannot run here counts as one skipped test, with the reason.
skip_stage() {
  echo "=== $1"
  echo "SKIP: $2"
  skipped=$((skipped + 1))
}

# The closing lines; false when anything failed.
summary() {
  echo
  [ ${#failures[@]} -eq 0 ] || echo "Failed stages: ${failures[*]}"
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
}
