#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test: the Windows program and its
# tests under Wine, the Linux program with its unit, POSIX and end-to-end tests, the unit suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target. Run
# as root, it then builds and tests a clean clone of this commit again as a user without root.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test || exit 1

passed=0
failed=0
failures=()
# Where a stage that runs ctest has it write its JUnit report (--output-junit "$junit").
junit=$(mktemp)
# The unprivileged user's folder, when there is one.
work=
trap "rm -f '$junit'"'; [ -z "$work" ] || rm -rf "$work"' EXIT

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

# A contributor without root: the same builds and tests from a clean clone of this commit, in a
# folder of a user made for it, who has subordinate ids and so makes a build root of its own in a
# user namespace; what needs root is skipped there, saying so. The Debian packages are installed.
readonly unprivileged=tarvelin-ci
unprivileged_clone() {
  if ! getent passwd "$unprivileged" >/dev/null; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$unprivileged" || return
  fi
  # 65536 ids after every range already given, for uids and gids alike.
  if ! grep -qs "^$unprivileged:" /etc/subuid || ! grep -qs "^$unprivileged:" /etc/subgid; then
    local first
    first=$(cat /etc/subuid /etc/subgid 2>/dev/null | awk -F: '$2 + $3 > top { top = $2 + $3 } END { print (top > 100000 ? top : 100000) }')
    grep -qs "^$unprivileged:" /etc/subuid || usermod --add-subuids "$first-$((first + 65535))" "$unprivileged" || return
    grep -qs "^$unprivileged:" /etc/subgid || usermod --add-subgids "$first-$((first + 65535))" "$unprivileged" || return
  fi
  work=$(mktemp -d /tmp/tarvelin-unprivileged.XXXXXX) || return
  # A home of its own, and the report that its ctest writes.
  mkdir "$work/home" && : >"$work/junit.xml" || return
  # Copied, not linked: the clone's files are to be the user's, and this repository's stay root's.
  git clone --quiet --no-local --no-checkout . "$work/tarvelin" &&
    git -C "$work/tarvelin" checkout --quiet --detach "$(git rev-parse HEAD)" &&
    chown -R "$unprivileged:" "$work" || return
  echo "$unprivileged, uid $(id -u "$unprivileged"), subordinate ids $(grep "^$unprivileged:" /etc/subuid | cut -d: -f2-); clone of $(git rev-parse --short HEAD) in $work/tarvelin"
}
as_unprivileged() {
  (cd "$work/tarvelin" && setpriv --reuid="$unprivileged" --regid="$unprivileged" --init-groups \
    env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME="$work/home" USER="$unprivileged" LOGNAME="$unprivileged" \
    LANG=C.UTF-8 "$@")
}
# build, as the user.
build_unprivileged() {
  as_unprivileged sh -c 'preset=$1; shift; cmake --preset "$preset" -DTARVELIN_WARNINGS_AS_ERRORS=ON "$@" >/dev/null &&
    cmake --build --preset "$preset"' sh "$@"
}
if [ "$(id -u)" -eq 0 ]; then
  unprivileged_start=$SECONDS
  stage "as a user: a clean clone" unprivileged_clone
  if [ -n "$work" ]; then
    junit=$work/junit.xml
    stage "as a user: build tarvelin.exe" build_unprivileged mingw
    stage "as a user: Windows unit tests under Wine" as_unprivileged ctest --preset mingw --output-junit "$junit"
    stage "as a user: build tarvelin and its build root" build_unprivileged default -DTARVELIN_TESTS=ON
    stage "as a user: Linux tests" as_unprivileged ctest --preset default --output-junit "$junit"
  fi
  echo "As a user: $((SECONDS - unprivileged_start)) s"
fi

echo
[ ${#failures[@]} -eq 0 ] || echo "Failed stages: ${failures[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
