#!/usr/bin/env bash
# What the Linux program asks of the system it runs on: an x86-64 ELF whose needed libraries are
# glibc's own (libc, libm, libdl, libpthread, the loader) and whose newest glibc symbol version is
# 2.17, with no C++ runtime or SDL to find. And what it carries, read from the medium at each start:
# no symbol table, no SDL dynamic API (which keeps every SDL function in), no verbose terminate
# handler (which brings the C++ symbol demangler).
#   elf_test.sh PROGRAM
set -uo pipefail
readonly PROGRAM=$1
readonly ALLOWED="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 ld-linux-x86-64.so.2"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

header=$(readelf -h "$PROGRAM") || { echo "FAIL: $PROGRAM is not an ELF file" >&2; exit 1; }
if grep -q 'Machine: *Advanced Micro Devices X86-64' <<<"$header"; then pass "x86-64"; else fail "not x86-64: $(grep Machine <<<"$header")"; fi

interpreter=$(readelf -l "$PROGRAM" | sed -n 's/.*Requesting program interpreter: \(.*\)]/\1/p')
if [ "$interpreter" = /lib64/ld-linux-x86-64.so.2 ]; then pass "loader $interpreter"; else fail "loader: '$interpreter'"; fi

needed=$(readelf -d "$PROGRAM" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | xargs)
others=$(for library in $needed; do [[ " $ALLOWED " == *" $library "* ]] || echo "$library"; done | xargs)
if [ -n "$needed" ] && [ -z "$others" ]; then pass "needs only glibc: $needed"; else fail "needs $needed; not glibc's: $others"; fi
if readelf -d "$PROGRAM" | grep -qE '\((RPATH|RUNPATH)\)'; then fail "carries a library search path"; else pass "no library search path"; fi

# Every version the program asks of its libraries ("Name: GLIBC_2.14" under each library's entry).
versions=$(readelf -V "$PROGRAM" | sed -n 's/.*Name: \([A-Z_]*[0-9][0-9.]*\) .*/\1/p' | sort -u)
newest=$(grep '^GLIBC_' <<<"$versions" | sed 's/^GLIBC_//' | sort -V | tail -n 1)
if [ -n "$newest" ] && [ "$(printf '%s\n' "$newest" 2.17 | sort -V | tail -n 1)" = 2.17 ]; then
  pass "newest glibc symbol version: GLIBC_$newest"
else
  fail "newest glibc symbol version GLIBC_$newest is past 2.17; asks for: $(
    readelf -W --dyn-syms "$PROGRAM" | grep -oE '[^ ]+@GLIBC_2\.(1[89]|[2-9][0-9])[.0-9]*' | sort -u | xargs)"
fi
foreign=$(grep -v '^GLIBC_' <<<"$versions" | xargs)
if [ -z "$foreign" ]; then pass "no other versioned library (libstdc++, libgcc_s)"; else fail "asks for versions $foreign"; fi

if readelf -S "$PROGRAM" | grep -q ' \.symtab '; then fail "carries a symbol table: not stripped"; else pass "stripped"; fi
# SDL's dynamic API reads the variable that names another SDL to use; SDL without it has no such name.
if grep -q SDL_DYNAMIC_API "$PROGRAM"; then fail "carries SDL's dynamic API"; else pass "no SDL dynamic API"; fi
if grep -q 'terminate called after throwing' "$PROGRAM"; then
  fail "carries the C++ library's verbose terminate handler"
else
  pass "no verbose terminate handler"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
