# shellcheck shell=bash
# The frame of the author tool's tests, sourced first: a work folder removed at the end, and a
# count of failed checks.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Ends the test: status 0 when every check passed, else 1 (a count as status would wrap at 256).
finish() {
  [ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
  echo "all checks passed"
}
