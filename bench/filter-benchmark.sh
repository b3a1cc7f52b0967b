#!/usr/bin/env bash
# Whole-filter benchmark: runs rastertokv71p as CUPS runs it on one page of
# the longest media ("207x308mm") with a white border, colour adjustment
# (gamma, brightness, contrast), sharpness, chroma and a LUT ICC profile,
# at 300 dpi (2448 x 3636 raster) and at "600x600dpi" (4896 x 7272), and
# reports wall time and peak memory as /usr/bin/time -v measures them.
#
#   bash bench/filter-benchmark.sh [BUILD_DIR [FILTER]]
#
# BUILD_DIR (default build-bench, configured and built here when needed)
# provides the test picture, profile and decoder tools; FILTER defaults to
# the built BUILD_DIR/filter/rastertokv71p (give the installed one, e.g.
# /usr/lib/cups/filter/rastertokv71p, to measure that). RUNS=n sets the
# runs per size (default 5); the best and the median are reported.
#
# Every job waits for its per-job file and pauses one second after finding
# it; "processing" is the wall time without that second.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
filter=${2:-$build/filter/rastertokv71p}
runs=${RUNS:-5}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j 2 --target rastertokv71p kv71p-test-photo kv71p-make-profile kv71p-decode >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/cache"
: >"$tmp/cache/Print_1.log"
"$build/tools/testbed/testphoto/kv71p-test-photo" raster 2448 3636 "$tmp/page300.ras" 1 1 300 300
"$build/tools/testbed/testphoto/kv71p-test-photo" raster 4896 7272 "$tmp/page600.ras" 1 1 600 600
"$build/tools/testbed/testprofiles/kv71p-make-profile" lut "$tmp/lut.icc" >/dev/null

options="PageSize=207x308mm VexBorder=Enable VexColorAdjustment=Enable VexGamma=20"
options+=" VexBrightness=10 VexContrast=-10 VexSharpness=4 VexChroma=20 VexICCProfile=$tmp/lut.icc"

# Seconds from /usr/bin/time's "h:mm:ss" or "m:ss.ss".
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.3f", s }'; }

echo "filter: $filter"
echo "options: $options"
printf '%-14s %9s %9s %9s %9s %12s\n' size wall processing user+sys peak_MB target
for size in 300 600; do
  if [ "$size" = 300 ]; then extra=""; target="0.6 s, 150 MB"; else extra=" Resolution=600x600dpi"; target="1.5 s, 350 MB"; fi
  results=()
  for ((run = 1; run <= runs; run++)); do
    KV71P_CACHE_DIR="$tmp/cache" /usr/bin/time -v -o "$tmp/time" \
      "$filter" 1 bench title 1 "$options$extra" "$tmp/page$size.ras" >"$tmp/out.kv71p"
    "$build/tools/decoder/kv71p-decode" "$tmp/out.kv71p" >"$tmp/listing" || {
      echo "the filter's output is malformed:" >&2
      tail -3 "$tmp/listing" >&2
      exit 1
    }
    wall=$(grep 'Elapsed (wall clock)' "$tmp/time" | sed 's/.*): //' | seconds)
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$tmp/time")
    peak=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$tmp/time")
    results+=("$wall $cpu $peak")
  done
  printf '%s\n' "${results[@]}" | sort -n | awk -v size="$size dpi" -v target="$target" -v n="$runs" '
    { wall[NR] = $1; cpu[NR] = $2; peak[NR] = $3 }
    END {
      m = int((n + 1) / 2)
      printf "%-14s %9.3f %9.3f %9.2f %9.1f   <= %s\n", size " best", wall[1], wall[1] - 1, cpu[1], peak[1], target
      printf "%-14s %9.3f %9.3f %9.2f %9.1f\n", size " median", wall[m], wall[m] - 1, cpu[m], peak[m]
    }'
done
