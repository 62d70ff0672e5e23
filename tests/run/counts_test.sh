#!/usr/bin/env bash
# What scripts/test.sh counts: a real ctest run whose tests pass, fail, skip (by their skip code and
# as GoogleTest's GTEST_SKIP reports), cannot run or are disabled, read from its JUnit report, and
# stages of every kind, down to the closing line "N passed, N failed, N skipped".
#   counts_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
checks_failed=0
fail() { echo "FAIL: $*" >&2; checks_failed=$((checks_failed + 1)); }
expect() { if [ "$2" = "$3" ]; then echo "ok: $1"; else fail "$1: '$2', expected '$3'"; fi; }

mkdir "$work/project"
cat >"$work/project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(counts NONE)
enable_testing()
add_test(NAME passes COMMAND true)
add_test(NAME passes_too COMMAND sh -c "echo '[       OK ] A.B'")
add_test(NAME fails COMMAND false)
add_test(NAME skips COMMAND sh -c "echo 'SKIP: no such tool'; exit 77")
set_tests_properties(skips PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME gtest_skip COMMAND sh -c "echo '[  SKIPPED ] A.B'")
set_tests_properties(gtest_skip PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
# Status 77 is a failure where the test does not declare it a skip.
add_test(NAME exits_77 COMMAND sh -c "exit 77")
add_test(NAME no_executable COMMAND "${CMAKE_CURRENT_BINARY_DIR}/not-built")
add_test(NAME broken_fixture COMMAND false)
add_test(NAME needs_fixture COMMAND true)
set_tests_properties(broken_fixture PROPERTIES FIXTURES_SETUP broken)
set_tests_properties(needs_fixture PROPERTIES FIXTURES_REQUIRED broken)
add_test(NAME disabled COMMAND true)
set_tests_properties(disabled PROPERTIES DISABLED ON)
CMAKE
cmake -S "$work/project" -B "$work/build" >/dev/null || { echo "FAIL: the sample project does not configure" >&2; exit 1; }

junit=$work/junit.xml
# shellcheck source=scripts/test_counts.sh
source "$source_dir/scripts/test_counts.sh"

ctest --test-dir "$work/build" --output-junit "$junit" >/dev/null 2>&1
expect "a ctest report: passed, failed, skipped" "$(junit_counts "$junit")" "2 5 3"

# The stages: the ctest run above; a runner that fails with no failing test among those it ran;
# commands that pass and fail; a stage that cannot run here.
stage "sample tests" ctest --test-dir "$work/build" --output-junit "$junit" >/dev/null
stage "a runner's own error" sh -c 'ctest --test-dir "$1" -R "^passes$" --output-junit "$2" >/dev/null; exit 1' sh "$work/build" "$junit" >/dev/null
stage "a build that works" true >/dev/null
stage "a build that fails" false >/dev/null
skip_stage "as a user" "needs root" >/dev/null
closing=$(summary | tail -n 1)
summary >/dev/null
expect "the summary fails when a test failed" "$?" 1
expect "the closing line" "$closing" "4 passed, 7 failed, 4 skipped"
expect "the failed stages" "${failures[*]}" "sample tests a runner's own error a build that fails"

# Nothing but passes and skips: the run passes, and says how many were skipped.
passed=0 failed=0 skipped=0 failures=()
stage "only skips" ctest --test-dir "$work/build" -R '^(passes|skips|gtest_skip)$' --output-junit "$junit" >/dev/null
expect "passes and skips alone" "$(summary | tail -n 1)" "1 passed, 0 failed, 2 skipped"
summary >/dev/null
expect "the summary passes when nothing failed" "$?" 0

[ "$checks_failed" -eq 0 ] || { echo "$checks_failed check(s) failed" >&2; exit 1; }
echo "all checks passed"
