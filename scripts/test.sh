#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test: the Windows program and its
# tests under Wine, the Linux program with its unit, POSIX and end-to-end tests, the unit suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target. Run
# as root, it then makes a user without root and, in a clean clone of this commit, has that user
# build what is made differently without root (the Debian 11 build root, in a user namespace; the
# Windows decoders; the kit) and run again the tests labelled as-user, whose outcome can differ
# without root. Tests are counted as passed, failed or skipped; each stage says how long it took.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test || exit 1

# Where a stage that runs ctest has it write its JUnit report (--output-junit "$junit").
junit=$(mktemp)
# The unprivileged user's folder, when there is one.
work=
trap "rm -f '$junit'"'; [ -z "$work" ] || rm -rf "$work"' EXIT
# shellcheck source=scripts/test_counts.sh
source scripts/test_counts.sh

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

# A contributor without root, in a clean clone of this commit, in a folder of a user made for it,
# who has subordinate ids and so makes a build root of its own in a user namespace. The user builds
# what is made differently without root, the Windows decoders, the build root and the kit, with the
# programs in them, and runs the tests whose outcome can differ without root (labelled as-user);
# root runs them all. The Debian packages are installed.
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
# build PRESET "TARGET..." CONFIGURE_OPTION..., as the user.
build_unprivileged() {
  as_unprivileged sh -c 'preset=$1 targets=$2; shift 2; cmake --preset "$preset" -DTARVELIN_WARNINGS_AS_ERRORS=ON "$@" >/dev/null &&
    cmake --build --preset "$preset" --target $targets' sh "$@"
}
# The user's builds run in the background, beside root's Linux tests, which mostly wait for windows,
# Wine and pictures; each writes NAME.log and NAME.status in the user's folder.
unprivileged_builds() {
  local began=$SECONDS
  build_unprivileged mingw "tarvelin tarvelin-art" >"$work/mingw.log" 2>&1
  echo "$? $((SECONDS - began))" >"$work/mingw.status"
  began=$SECONDS
  build_unprivileged default as_user_tests -DTARVELIN_TESTS=ON >"$work/default.log" 2>&1
  echo "$? $((SECONDS - began))" >"$work/default.status"
}
# Shows how one of them went, once it is done.
unprivileged_build_report() {
  [ -f "$work/$1.status" ] || wait "$builds_pid"
  local status seconds
  cat "$work/$1.log"
  read -r status seconds <"$work/$1.status" || return 1
  echo "(built in $seconds s, beside the stages before)"
  return "$status"
}
builds_pid=
if [ "$(id -u)" -eq 0 ]; then
  stage "as a user: a clean clone" unprivileged_clone
  if [ -n "$work" ]; then
    unprivileged_builds &
    builds_pid=$!
  fi
fi

stage "Linux tests" ctest --preset default --output-junit "$junit"
# The sanitize preset builds the unit suite alone, which is all it runs.
stage "build the unit tests with sanitizers" build sanitize -DTARVELIN_TESTS=ON
stage "unit tests with sanitizers" ctest --preset sanitize --output-junit "$junit"
stage "fuzz targets, short runs" env TARVELIN_WARNINGS_AS_ERRORS=ON bash tests/fuzz/run.sh all smoke --output-junit "$junit" --parallel 2

if [ -n "$builds_pid" ]; then
  junit=$work/junit.xml
  stage "as a user: build the Windows decoders, tarvelin.exe and tarvelin-art.exe" unprivileged_build_report mingw
  stage "as a user: build the build root, tarvelin, the kit and the as-user tests" unprivileged_build_report default
  stage "as a user: the as-user tests" as_unprivileged ctest --preset default -L as-user --output-junit "$junit"
elif [ "$(id -u)" -ne 0 ]; then
  skip_stage "as a user" "only root can make the user without root that this part runs as"
fi

echo "Whole run: $SECONDS s"
summary
