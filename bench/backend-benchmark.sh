#!/usr/bin/env bash
# Backend benchmark: one 300 dpi print of the longest media (207 x 308 mm:
# three planes of 2560 x 3636 dots, about 28 MB, as the filter writes it)
# from the backend's standard input to an emulated printer that prints at
# once (print-ms=1) and renders nothing. Reports, best and median of RUNS
# runs (default 5):
#   - the throughput from standard input to the printer, as the backend
#     measures it for the print (reading it whole, then sending its blocks);
#   - the job's wall time and peak memory, as /usr/bin/time -v measures them;
# and then the CPU time of two waits of 10 s each: for a printer that is
# absent, and for a printer out of paper.
#
#   bash bench/backend-benchmark.sh [BUILD_DIR]
#
# BUILD_DIR (default build-bench) is configured and built here when needed.
# Targets: at least 200 MB/s; peak memory at most the print plus 16 MB;
# CPU near zero while the job waits.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${RUNS:-5}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j 2 --target vexbackend kv71p-emulator kv71p-test-photo rastertokv71p >/dev/null

tmp=$(mktemp -d)
emulator_pid=
cleanup() {
  [ -z "$emulator_pid" ] || kill "$emulator_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The print, as the filter writes it for a 300 dpi page.
mkdir "$tmp/cache"
: >"$tmp/cache/Print_1.log"
"$build/tools/testbed/testphoto/kv71p-test-photo" raster 2448 3636 "$tmp/page.ras" 1 1 300 300
KV71P_CACHE_DIR="$tmp/cache" "$build/filter/rastertokv71p" 1 bench title 1 PageSize=207x308mm \
  "$tmp/page.ras" >"$tmp/print.kv71p"
print_bytes=$(stat -c %s "$tmp/print.kv71p")

emulator=$build/tools/testbed/emulator/kv71p-emulator
"$emulator" --socket "$tmp/emulator.sock" >"$tmp/emulator.log" 2>&1 &
emulator_pid=$!
emu() { "$emulator" --socket "$tmp/emulator.sock" send "$@" >/dev/null; }
for _ in $(seq 50); do emu ping && break; sleep 0.1; done
emu attach serial=BENCH print-ms=1 remainhalf=999999999

export KV71P_USB_EMULATOR=$tmp/emulator.sock KV71P_CACHE_DIR=$tmp/cache KV71P_LOCK_DIR=$tmp/locks
backend() {  # serial, then the job's standard input
  DEVICE_URI="vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=$1" /usr/bin/time -v -o "$tmp/time" \
    "$build/backend/vexbackend" 1 bench title 1 "" 2>"$tmp/messages"
}
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.3f", s }'; }
wall() { grep 'Elapsed (wall clock)' "$tmp/time" | sed 's/.*): //' | seconds; }
cpu() { awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$tmp/time"; }
peak() { awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$tmp/time"; }

echo "print: $print_bytes bytes ($(awk -v b="$print_bytes" 'BEGIN { printf "%.1f", b / 1048576 }') MB), 300 dpi, 207 x 308 mm"
printf '%-8s %12s %9s %9s %9s\n' run MB/s wall_s cpu_s peak_MB
results=()
for ((run = 1; run <= runs; run++)); do
  backend BENCH <"$tmp/print.kv71p" || { cat "$tmp/messages" >&2; exit 1; }
  rate=$(sed -n 's/.*bytes sent in .* (\([0-9]*\) MB\/s.*/\1/p' "$tmp/messages")
  results+=("$rate $(wall) $(cpu) $(peak)")
  printf '%-8s %12s %9s %9s %9s\n' "$run" $rate $(wall) $(cpu) $(peak)
done
printf '%s\n' "${results[@]}" | sort -rn | awk -v n="$runs" -v mb="$print_bytes" '
  { rate[NR] = $1; wall[NR] = $2; peak[NR] = $4 }
  END {
    m = int((n + 1) / 2)
    printf "throughput best %d MB/s, median %d MB/s (target >= 200)\n", rate[1], rate[m]
    printf "peak memory median %.1f MB = print + %.1f MB (target <= print + 16)\n", peak[m], peak[m] - mb / 1048576
  }'

# Waits: the CPU time of 10 s spent waiting.
KV71P_RECONNECT_SECONDS=10 backend ABSENT <"$tmp/print.kv71p" || true
echo "waiting 10 s for an absent printer: $(cpu) s CPU (wall $(wall) s)"
emu attach serial=PAPER status=1100 print-ms=1
(sleep 10 && emu set 2 status=0) &
backend PAPER <"$tmp/print.kv71p"
echo "waiting 10 s for paper: $(cpu) s CPU (wall $(wall) s, the print included)"
