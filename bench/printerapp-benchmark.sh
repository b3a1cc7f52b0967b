#!/usr/bin/env bash
# Printer application benchmark: an 8 x 12 in JPEG at 300 dpi (2448 x 3636
# pixels, the photo-like test picture) sent with `kv71p-printer-app submit`
# to a server on loopback, until the last byte of its print (the START
# block) has reached an emulated printer that prints at once. The parts,
# from the server's log (debug level, millisecond times):
#   upload      submit until PAPPL starts the job (the JPEG over IPP)
#   decode      PAPPL's own decoding of the JPEG, and its placing of the
#               decoded picture on the page line by line
#   prepare     the printer's hand-over lock, the printer opened and asked
#               for its loaded media
#   process     the filter's pipeline and layout on the page, until the
#               print is composed
#   transfer    the print's blocks over the emulated USB bus
# and, for comparison, the same page's processing by the filter
# (rastertokv71p on the same pixels as CUPS raster, without its one-second
# pause for the per-job file) and the raw transfer of its stream
# (kv71p-emulator write). Best and median of RUNS runs (default 5).
#
#   bash bench/printerapp-benchmark.sh [BUILD_DIR]     # default: build-bench
#
# Target: submit to last byte within the filter's processing plus the
# transfer plus PAPPL's decoding (and the upload).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${RUNS:-5}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j 2 --target kv71p-printer-app kv71p-emulator kv71p-test-photo rastertokv71p >/dev/null

tmp=$(mktemp -d /tmp/kv71p-appbench-XXXXXX)
. scripts/lib/background.sh
scratch=$tmp

# The JPEG: the test picture on an 8 x 12 in page, rendered at 300 dpi.
photo=$build/tools/testbed/testphoto/kv71p-test-photo
"$photo" png 2448 3636 "$tmp/photo.png"
cupsfilter -m application/pdf -o media=Custom.207.27x307.85mm -o fit-to-page "$tmp/photo.png" \
  >"$tmp/photo.pdf" 2>/dev/null
pdftoppm -jpeg -r 300 -singlefile "$tmp/photo.pdf" "$tmp/photo" 2>/dev/null

# The filter on the same page as CUPS raster: its processing, and its stream.
mkdir -p "$tmp/cache"
: >"$tmp/cache/Print_1.log"
"$photo" raster 2448 3636 "$tmp/page.ras" 1 1 300 300
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.3f", s }'; }
filter_times=()
for ((run = 1; run <= runs; run++)); do
  KV71P_CACHE_DIR="$tmp/cache" /usr/bin/time -v -o "$tmp/time" "$build/filter/rastertokv71p" 1 bench title 1 \
    PageSize=207x308mm "$tmp/page.ras" >"$tmp/print.kv71p"
  wall=$(grep 'Elapsed (wall clock)' "$tmp/time" | sed 's/.*): //' | seconds)
  filter_times+=("$(awk -v w="$wall" 'BEGIN { printf "%.3f", w - 1 }')")
done

# The emulated printer: it prints at once, renders nothing, never runs out.
emulator=$build/tools/testbed/emulator/kv71p-emulator
export KV71P_USB_EMULATOR=$tmp/emulator.sock KV71P_CACHE_DIR=$tmp/cache/KV-71P KV71P_LOCK_DIR=$tmp/locks
export SNAP_COMMON=$tmp
"$emulator" --socket "$KV71P_USB_EMULATOR" >"$tmp/emulator.log" 2>&1 &
pids+=($!)
emu() { "$emulator" --socket "$KV71P_USB_EMULATOR" send "$@"; }
for _ in $(seq 50); do emu ping >/dev/null && break; sleep 0.1; done
emu attach serial=RAW print-ms=1 remainhalf=999999999 >/dev/null
raw_times=()
for ((run = 1; run <= runs; run++)); do
  raw_times+=("$("$emulator" --socket "$KV71P_USB_EMULATOR" write 1 "$tmp/print.kv71p" |
    sed -n 's/.* in \([0-9.]*\) s .*/\1/p')")
done
emu detach 1 >/dev/null
emu attach serial=BENCH print-ms=1 remainhalf=999999999 >/dev/null

app=$build/printerapp/kv71p-printer-app
port=18071
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
log=$tmp/app.log
"$app" server -o server-port="$port" -o state-directory="$tmp/state" -o log-level=debug -o log-file="$log" &
pids+=($!)
for _ in $(seq 100); do "$app" status 2>/dev/null | grep -q '^Running' && break; sleep 0.1; done
for _ in $(seq 100); do "$app" printers | grep -qx KV-71P_BENCH && break; sleep 0.1; done

# The time of the first log line of job `job` that holds `text`, in seconds.
at() {  # job, text
  local stamp
  stamp=$(grep -F "[Job $1] $2" "$log" | head -1 | sed -n 's/^. \[\([^]]*\)\].*/\1/p')
  [ -n "$stamp" ] && date -d "$stamp" +%s.%N
}
diff_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }

echo "page: 8 x 12 in JPEG at 300 dpi, $(stat -c %s "$tmp/photo.jpg") bytes; print: $(stat -c %s "$tmp/print.kv71p") bytes"
printf '%-5s %9s %9s %9s %9s %9s %9s\n' run total_ms upload decode prepare process transfer
results=()
for ((job = 1; job <= runs; job++)); do
  start=$(date +%s.%N)
  "$app" submit -d KV-71P_BENCH -o media=om_kv71p-8x12_207.27x307.85mm "$tmp/photo.jpg" >/dev/null
  # (Each job runs alone: the next is sent once this one has completed.)
  for _ in $(seq 600); do at "$job" "Completed" >/dev/null && break; sleep 0.05; done
  started=$(at "$job" "Starting print job.") decoded=$(at "$job" "ileft=")
  coming=$(at "$job" "Page 1: its lines come.") placed=$(at "$job" "Page 1: all lines in.")
  sending=$(at "$job" "sending print 1") sent=$(at "$job" "printing print 1")
  decode=$(($(diff_ms "$started" "$decoded") + $(diff_ms "$coming" "$placed")))
  row="$(diff_ms "$start" "$sent") $(diff_ms "$start" "$started") $decode $(diff_ms "$decoded" "$coming")"
  row+=" $(diff_ms "$placed" "$sending") $(diff_ms "$sending" "$sent")"
  results+=("$row")
  printf '%-5s %9s %9s %9s %9s %9s %9s\n' "$job" $row
done

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%s", v[int((NR + 1) / 2)] }'; }
best() { sort -n | head -1; }
column() { printf '%s\n' "${results[@]}" | awk -v c="$1" '{ print $c }'; }
filter_ms=$(printf '%s\n' "${filter_times[@]}" | median | awk '{ printf "%.0f", $1 * 1000 }')
raw_ms=$(printf '%s\n' "${raw_times[@]}" | median | awk '{ printf "%.0f", $1 * 1000 }')
decode_ms=$(column 3 | median) upload_ms=$(column 2 | median)
echo "submit to last byte: best $(column 1 | best) ms, median $(column 1 | median) ms"
echo "  parts (median): upload $upload_ms ms, PAPPL's decoding $decode_ms ms," \
  "preparing $(column 4 | median) ms, processing $(column 5 | median) ms, transfer $(column 6 | median) ms"
echo "comparison (median): the filter's processing $filter_ms ms, raw transfer $raw_ms ms"
echo "target: <= filter + transfer + decoding + upload =" \
  "$((filter_ms + raw_ms + decode_ms + upload_ms)) ms"
