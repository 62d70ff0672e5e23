#!/usr/bin/env bash
# Measures Tarvelin against the least programs that do the same visible job (bench/reference) and
# prints one table. Builds what it needs in Release under build/bench; the Debian packages come
# from scripts/install-deps.sh.
#
#   bash bench/run.sh            every figure: RUNS=10 starts of each program, 3 idle runs of 10 s
#   RUNS=20 bash bench/run.sh    more starts per figure
#
# On screen, each program is started RUNS times on a private Xvfb by bench/launcher, taking turns
# with its references so that all see the same load (the Linux program also against the plain
# Xlib program, bench/reference/reference_x11.c, the platform's own limit): start to first paint, pointer to
# highlight, peak resident memory. CPU ticks while idle are taken on the first IDLE_RUNS starts
# only (IDLE_SECONDS each). CALLGRIND_RUNS starts (3) of the Linux program and of the plain Xlib
# program under callgrind count the instructions each runs up to its first paint, which the load on
# the machine does not change as it does the times. The Windows programs run under a warm Wine: a prepared prefix in
# build/bench/wine with its server already running, the game-controller service off, and the
# program's own process measured. From a slow disc (a loop device with a CD drive's read-ahead, as
# root), the bytes and read requests each of tarvelin and tarvelin.exe reads up to its first paint.
# Every raw figure is kept in build/bench/results.
set -uo pipefail

RUNS=${RUNS:-10}
IDLE_RUNS=${IDLE_RUNS:-3}
IDLE_SECONDS=${IDLE_SECONDS:-10}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=$root/build/bench
results=$build/results
art=$root/art

say() { echo "run.sh: $*" >&2; }
die() { say "$*"; exit 1; }

# --- Build: the Linux programs and benchmarks, then the Windows programs.
build_all() {
  cmake -S "$root" -B "$build/host" -DCMAKE_BUILD_TYPE=Release -DTARVELIN_BENCH=ON -DTARVELIN_TESTS=OFF >"$build/host.log" 2>&1 &&
    cmake --build "$build/host" -j2 --target tarvelin memory_bench reference_sdl reference_x11 screen_launcher >>"$build/host.log" 2>&1 ||
    die "the Linux build failed, see $build/host.log"
  cmake --preset mingw -S "$root" -B "$build/mingw" -DTARVELIN_BENCH=ON -DTARVELIN_TESTS=OFF >"$build/mingw.log" 2>&1 &&
    cmake --build "$build/mingw" -j2 --target tarvelin reference_win32 >>"$build/mingw.log" 2>&1 ||
    die "the Windows build failed, see $build/mingw.log"
}

bash "$root/scripts/install-deps.sh" bench || exit 1
mkdir -p "$build" "$results"
rm -f "$results"/*
say "building (logs in $build)"
build_all

sdl_menu=$build/host/runtime/sdl/tarvelin
sdl_reference=$build/host/bench/reference_sdl
x11_limit=$build/host/bench/reference_x11
launcher=$build/host/bench/screen_launcher
memory_bench=$build/host/bench/memory_bench
win_menu=$build/mingw/tarvelin.exe
win_reference=$build/mingw/bench/reference_win32.exe
for f in "$sdl_menu" "$sdl_reference" "$x11_limit" "$launcher" "$memory_bench" "$win_menu" "$win_reference"; do
  [ -x "$f" ] || [ -f "$f" ] || die "missing $f after the build"
done

# --- Discs: the program beside a normal options.ini, and beside each kind of hostile one. The
# program finds options.ini next to its own executable, so each folder holds a copy of it.
discs=$build/discs
rm -rf "$discs"
for disc in normal huge fifo zero; do
  mkdir -p "$discs/$disc"
  cp "$sdl_menu" "$discs/$disc/tarvelin"
done
cp "$root/examples/disc/options.ini" "$discs/normal/options.ini"
head -c 100000000 /dev/zero | tr '\0' 'x' >"$discs/huge/options.ini"  # 100 MB, one line
mkfifo "$discs/fifo/options.ini"                                       # no writer: a read would block
ln -s /dev/zero "$discs/zero/options.ini"                              # endless
mkdir -p "$discs/windows"
cp "$win_menu" "$discs/windows/tarvelin.exe"
cp "$root/examples/disc/options.ini" "$discs/windows/options.ini"
# A slow disc: both programs beside options.ini in a file system image. Not ISO 9660, which not
# every kernel can mount, but ext4: what is measured is the pages the kernel reads for a program,
# and those depend on the device's read-ahead, not on the file system, for files laid out whole.
mkdir -p "$discs/slow"
cp "$sdl_menu" "$discs/slow/tarvelin"
cp "$win_menu" "$discs/slow/tarvelin.exe"
cp "$root/examples/disc/options.ini" "$discs/slow/options.ini"
rm -f "$build/slow-disc.img"
mkfs.ext4 -q -O ^has_journal -d "$discs/slow" "$build/slow-disc.img" 16M >"$build/mkfs.log" 2>&1 ||
  die "the slow disc's image failed, see $build/mkfs.log"

# --- A private X server and, for the Windows programs, a warm Wine.
# shellcheck source=scripts/xvfb.sh
source "$root/scripts/xvfb.sh"
wineserver_pid=
cleanup() {
  # Every Windows process of this prefix (Wine's own services too) ends with its server.
  if [ -n "$wineserver_pid" ]; then
    wineserver --kill 2>/dev/null
    wait "$wineserver_pid" 2>/dev/null
  fi
  xvfb_stop
}
trap cleanup EXIT

xvfb_start 1024x768x24 "$build/xvfb.log" -br || die "no X display for the programs"
export SDL_VIDEODRIVER=x11

# A 64-bit prefix that runs the 32-bit tarvelin.exe as 64-bit Windows does; one made before Wine's
# 32-bit half was installed has no SysWOW64 and is made again.
export WINEPREFIX=$build/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  say "preparing the Wine prefix (once)"
  rm -rf "$WINEPREFIX"
  wineboot --init >"$build/wine.log" 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Services\WineBus' /v 'Enable SDL' /t REG_DWORD /d 0 /f >>"$build/wine.log" 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$build/wine.log" 2>&1
  wineserver --kill
fi
wineserver --foreground --persistent >>"$build/wine.log" 2>&1 &
wineserver_pid=$!

# --- Measurements.
# The pixel the launcher watches: the middle of entry 1, from the table the build wrote from
# menu/layout.h.
probe=$(awk '$1 == 1 {print int($2 + $4 / 2) "," int($3 + $5 / 2)}' "$build/host/hot_spots.txt")
[ -n "$probe" ] || die "no entry 1 in $build/host/hot_spots.txt"
launch() {  # FILE [--idle S] [--process NAME] -- PROGRAM...: one start, its figures appended to FILE
  local file=$1
  shift
  "$launcher" --background "$art/background.bmp" --highlight "$art/highlight.bmp" --probe "$probe" "$@" >>"$file" \
    2>>"$results/launcher.log" ||
    tail -n1 "$file" | sed "s|^|$(basename "$file"): |" >>"$results/launcher.log"
}

# One start of each program, with the launcher's options (and "--idle S") passed on.
sdl_ours() { launch "$results/sdl_ours" "$@" -- "$discs/normal/tarvelin"; }
sdl_reference() { launch "$results/sdl_reference" "$@" -- "$sdl_reference"; }
x11_limit() { launch "$results/x11_limit" "$@" -- "$x11_limit"; }
wine_ours() { launch "$results/wine_ours" --process tarvelin.exe "$@" -- wine "$discs/windows/tarvelin.exe"; }
wine_reference() { launch "$results/wine_reference" --process reference_win32.exe "$@" -- wine "$win_reference"; }

measure_pair() {  # PROGRAM...: RUNS starts of each, taking turns, the first IDLE_RUNS with idle time
  local i idle program
  for ((i = 1; i <= RUNS; i++)); do
    idle=()
    [ "$i" -le "$IDLE_RUNS" ] && idle=(--idle "$IDLE_SECONDS")
    for program in "$@"; do "$program" "${idle[@]}"; done
  done
}

say "in-memory benchmarks"
"$memory_bench" --benchmark_repetitions="$RUNS" --benchmark_format=csv >"$results/memory.csv" 2>"$results/memory.log"

say "SDL2 programs and the plain X11 limit on Xvfb, $RUNS starts each"
measure_pair sdl_ours sdl_reference x11_limit

# The work a start does, which no load on the machine changes: the instructions each program runs
# (callgrind) from its start until it waits with its first picture shown; CALLGRIND_SECONDS is long
# enough for that under valgrind, and a waiting program runs none.
CALLGRIND_RUNS=${CALLGRIND_RUNS:-3}
CALLGRIND_SECONDS=${CALLGRIND_SECONDS:-10}
instructions() {  # FILE PROGRAM: one start under callgrind, its instructions appended to FILE
  local out=$results/callgrind.out
  rm -f "$out"
  timeout -s TERM "$CALLGRIND_SECONDS" valgrind --tool=callgrind --callgrind-out-file="$out" "$2" \
    >/dev/null 2>>"$results/callgrind.log"
  sed -n 's/^totals: *\([0-9]*\).*/instructions=\1/p' "$out" >>"$1"
}
say "the SDL2 program and the plain X11 limit under callgrind, $CALLGRIND_RUNS starts each"
for ((i = 1; i <= CALLGRIND_RUNS; i++)); do
  instructions "$results/sdl_ours_instructions" "$discs/normal/tarvelin"
  instructions "$results/x11_limit_instructions" "$x11_limit"
done

say "Windows programs under Wine, $RUNS starts each"
# One start first, so that Wine's own services are up for every measured one.
wine_reference
rm -f "$results/wine_reference"
measure_pair wine_ours wine_reference

# Each start from the disc image on a loop device of its own, with a CD drive's read-ahead of
# 128 KiB, mounted afresh: nothing of the disc is in a cache, so the device's statistics count every
# byte the start reads from the disc up to the first paint, whichever process reads it (under Wine,
# the program's own process, started apart from the one the launcher watches). Mounting needs root;
# without it the rows say n/a and the log says why.
slow_disc_mount=$build/slow-disc
slow_disc_loop=
slow_disc_release() {
  mountpoint -q "$slow_disc_mount" && umount "$slow_disc_mount"
  [ -n "$slow_disc_loop" ] && losetup -d "$slow_disc_loop"
  slow_disc_loop=
}
slow_disc() {  # FILE PROGRAM LAUNCHER-OPTION...: one start of PROGRAM (a name on the disc) from the disc
  local file=$1 program=$2
  shift 2
  mkdir -p "$slow_disc_mount"
  if ! slow_disc_loop=$(losetup --find --show --read-only "$build/slow-disc.img" 2>>"$results/launcher.log") ||
    ! blockdev --setra 256 "$slow_disc_loop" 2>>"$results/launcher.log" ||
    ! mount -t ext4 -o ro "$slow_disc_loop" "$slow_disc_mount" 2>>"$results/launcher.log"; then
    echo "$(basename "$file"): the slow disc could not be mounted" >>"$results/launcher.log"
    slow_disc_release
    return
  fi
  local command=("$slow_disc_mount/$program")
  [[ $program == *.exe ]] && command=(wine "$slow_disc_mount/$program")
  launch "$file" "$@" --disk-stat "/sys/block/$(basename "$slow_disc_loop")/stat" -- "${command[@]}"
  # Wine runs the program in a process of its own, which the launcher does not end.
  fuser -s -k -m "$slow_disc_mount" 2>/dev/null && sleep 1
  slow_disc_release
}
trap 'slow_disc_release; cleanup' EXIT

say "both programs from a slow disc, $RUNS starts each"
for ((i = 1; i <= RUNS; i++)); do
  slow_disc "$results/disc_ours" tarvelin
  slow_disc "$results/disc_windows" tarvelin.exe
done

say "hostile options.ini, $RUNS starts each"
for ((i = 1; i <= RUNS; i++)); do
  for disc in normal huge fifo zero; do launch "$results/options_$disc" -- "$discs/$disc/tarvelin"; done
done

# --- The table.
field() {  # FILE KEY: the values of KEY=..., one a line
  [ -f "$1" ] && sed -n "s/.*\b$2=\([-0-9.]*\).*/\1/p" "$1"
}
stats() {  # median, min, max of the numbers on standard input, or nothing when there are none
  sort -g | awk '{ v[NR] = $1 } END { if (NR) { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] } }'
}
benchmark_values() {  # NAME COLUMN: per-repetition values of a benchmark from the CSV
  awk -F, -v name="\"$1\"" -v column="$2" '$1 == name { print $column }' "$results/memory.csv"
}
describe() {  # "MEDIAN MIN MAX" SCALE: "median (min..max)"
  [ -n "$1" ] || { echo "n/a"; return; }
  echo "$1" | awk -v s="$2" '{ printf "%.4g (%.4g..%.4g)", $1 * s, $2 * s, $3 * s }'
}
ratio() { [ -n "$1" ] && [ -n "$2" ] && awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }' || echo "-"; }
verdict() {  # MET? as 1/0 from an awk condition on o (ours) and r (reference) medians
  [ -n "$1" ] || { echo "n/a"; return; }
  awk -v o="${1%% *}" -v r="${2%% *}" "BEGIN { print (($3) ? \"yes\" : \"NO\") }"
}

rows=()
row() { rows+=("$1|$2|$3|$4|$5|$6"); }

figure_pair() {  # LABEL OURS REFERENCE KEY SCALE TARGET CONDITION
  local o r
  o=$(field "$results/$2" "$4" | stats)
  r=$(field "$results/$3" "$4" | stats)
  local met=-
  [ "$6" = - ] || met=$(verdict "$o" "$r" "$7")
  row "$1" "$(describe "$o" "$5")" "$(describe "$r" "$5")" "$(ratio "$o" "$r")" "$6" "$met"
}

figure_pair "start to first paint, SDL2 on Xvfb (ms)" sdl_ours sdl_reference start_ms 1 "<= 1.10 x ref" "o <= 1.10 * r"
figure_pair "start to first paint, SDL2 vs plain X11 limit (ms)" sdl_ours x11_limit start_ms 1 "<= 1.75 x limit" "o <= 1.75 * r"
figure_pair "instructions up to the first paint and idle, SDL2 vs plain X11 limit (M, $CALLGRIND_RUNS runs)" \
  sdl_ours_instructions x11_limit_instructions instructions 0.000001 - -
figure_pair "pointer to highlight, SDL2 vs plain X11 limit (ms)" sdl_ours x11_limit hover_ms 1 "<= 1.25 x limit" "o <= 1.25 * r"
figure_pair "peak resident memory, SDL2 vs plain X11 limit (MiB)" sdl_ours x11_limit hwm_kb 0.0009765625 "<= 2 x limit" "o <= 2 * r"
figure_pair "CPU ticks in ${IDLE_SECONDS} s idle, SDL2 vs plain X11 limit ($IDLE_RUNS runs)" sdl_ours x11_limit idle_ticks 1 "0" "o == 0"
figure_pair "start to first paint, Win32 under warm Wine (ms)" wine_ours wine_reference start_ms 1 "<= 1.10 x ref" "o <= 1.10 * r"
figure_pair "pointer to highlight, SDL2 (ms)" sdl_ours sdl_reference hover_ms 1 "<= 1.25 x ref" "o <= 1.25 * r"
figure_pair "pointer to highlight, Win32 under Wine (ms)" wine_ours wine_reference hover_ms 1 "<= 1.25 x ref" "o <= 1.25 * r"
figure_pair "CPU ticks in ${IDLE_SECONDS} s idle, SDL2 ($IDLE_RUNS runs)" sdl_ours sdl_reference idle_ticks 1 "0" "o == 0"
figure_pair "CPU ticks in ${IDLE_SECONDS} s idle, Win32 process ($IDLE_RUNS runs)" wine_ours wine_reference idle_ticks 1 "0" "o == 0"
figure_pair "peak resident memory, SDL2 (MiB)" sdl_ours sdl_reference hwm_kb 0.0009765625 "<= ref + 1 MiB" "o <= r + 1024"
figure_pair "peak resident memory, Win32 process (MiB)" wine_ours wine_reference hwm_kb 0.0009765625 "<= ref + 1 MiB" "o <= r + 1024"
figure_pair "read from a slow disc up to the first paint, tarvelin vs tarvelin.exe (KiB)" disc_ours disc_windows disk_kib 1 \
  "<= 1.25 x exe" "o <= 1.25 * r"
disc_requests=("$(field "$results/disc_ours" disk_reads | stats)" "$(field "$results/disc_windows" disk_reads | stats)")
row "read requests to a slow disc up to the first paint, tarvelin vs tarvelin.exe" "$(describe "${disc_requests[0]}" 1)" \
  "$(describe "${disc_requests[1]}" 1)" "$(ratio "${disc_requests[0]}" "${disc_requests[1]}")" "-" "-"

size_kib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1024 }'; }
exe_size=$(size_kib "$win_menu")
row "size of tarvelin.exe (KiB)" "$exe_size" "$(size_kib "$win_reference")" "$(ratio "$exe_size" "$(size_kib "$win_reference")")" \
  "<= 256 KiB" "$(awk -v s="$exe_size" 'BEGIN { print (s <= 256) ? "yes" : "NO" }')"
strip -o "$build/tarvelin.stripped" "$sdl_menu"
strip -o "$build/reference_sdl.stripped" "$sdl_reference"
row "size of tarvelin, stripped (KiB)" "$(size_kib "$build/tarvelin.stripped")" "$(size_kib "$build/reference_sdl.stripped")" \
  "$(ratio "$(size_kib "$build/tarvelin.stripped")" "$(size_kib "$build/reference_sdl.stripped")")" "-" "-"
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | sort -f | paste -sd' ' -; }
row "DLL imports of tarvelin.exe" "$(imports "$win_menu")" "$(imports "$win_reference")" "-" "system DLLs only" \
  "$(imports "$win_menu" | grep -qiE 'libstdc|libgcc|libwinpthread|msvcp' && echo NO || echo yes)"

memory_row() {  # LABEL BENCHMARK COLUMN SCALE TARGET CONDITION
  local o
  o=$(benchmark_values "$2" "$3" | stats)
  row "$1" "$(describe "$o" "$4")" "-" "-" "$5" "$([ -n "$6" ] && verdict "$o" "" "$6" || echo "-")"
}
memory_row "in memory: hover from nothing onto an entry (us)" BM_HoverFromNothingOntoEntry 4 0.001 "<= 20 us" "o <= 20000"
memory_row "in memory: hover from one entry to another (us)" BM_HoverEntryToEntry 4 0.001 "<= 20 us" "o <= 20000"
memory_row "in memory: Form_Load, six-line options.ini (us)" BM_FormLoadSixLineOptions 4 0.001 "-" ""
memory_row "in memory: start and first composition (us)" BM_StartAndFirstComposition 4 0.001 "-" ""
memory_row "in memory: field reader, short fields (MB/s)" BM_FieldReader 6 0.000001 "-" ""
memory_row "in memory: Windows-1252 decoding (MB/s)" BM_Windows1252ToUtf8 6 0.000001 "-" ""
memory_row "in memory: decode background.bmp (us)" BM_DecodeBackgroundBitmap 4 0.001 "-" ""
memory_row "in memory: decode the built-in pair (us)" BM_DecodeBuiltInArtwork 4 0.001 "-" ""

for disc in huge fifo zero; do
  case $disc in
    huge) label="options.ini of 100 MB on one line" ;;
    fifo) label="options.ini a FIFO without writer" ;;
    zero) label="options.ini a symlink to /dev/zero" ;;
  esac
  figure_pair "$label: start (ms) vs normal" "options_$disc" options_normal start_ms 1 "<= 1.5 x normal" "o <= 1.5 * r"
  figure_pair "$label: peak RSS (MiB) vs normal" "options_$disc" options_normal hwm_kb 0.0009765625 "<= normal + 1 MiB" "o <= r + 1024"
done

{
  echo "figure|ours median (min..max)|reference median (min..max)|ratio|target|met?"
  printf '%s\n' "${rows[@]}"
} | awk -F'|' '
  { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
  END {
    for (r = 1; r <= NR; r++) {
      line = ""
      for (i = 1; i <= 6; i++) line = line sprintf("%-" width[i] "s", cell[r, i]) (i < 6 ? " | " : "")
      print line
    }
  }'
echo
echo "$RUNS starts per program and figure (idle: $IDLE_RUNS runs of $IDLE_SECONDS s); in-memory: $RUNS repetitions, CPU time."
echo "Raw figures: $results"
if [ -s "$results/launcher.log" ]; then
  echo "Starts that gave no figures ($results/launcher.log):"
  sed 's/^/  /' "$results/launcher.log"
fi
