#!/usr/bin/env bash
# scripts/medium.sh, the one command an author runs in a clone of the source: it builds what a
# medium needs and lays out the folder, with both programs, the autorun files, the notices and the
# report of what each entry starts.
#   medium_script_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! output=$(bash "$source_dir/scripts/medium.sh" "$work/disc" --options "$source_dir/examples/disc/options.ini" 2>&1); then
  fail "scripts/medium.sh failed: $(tail -n 5 <<<"$output")"
fi
for file in .tarvelin tarvelin.exe options.ini autorun.inf autorun.sh LICENSES.txt; do
  [ -s "$work/disc/$file" ] || fail "the medium has no $file"
done
[ -f "$work/disc/.tarvelin" ] && { readelf -h "$work/disc/.tarvelin" 2>/dev/null | grep -q 'X86-64' || fail ".tarvelin is not an x86-64 program"; }
[ -f "$work/disc/tarvelin.exe" ] && { [ "$(head -c 2 "$work/disc/tarvelin.exe")" = MZ ] || fail "tarvelin.exe is not a Windows program"; }
grep -q '^entry 1 ' <<<"$output" || fail "no report of what the entries start: $(tail -n 5 <<<"$output")"

[ "$failures" -eq 0 ] && echo "all checks passed" || echo "$failures checks failed"
[ "$failures" -eq 0 ]
