#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time, starting
# from its seed corpus in fuzz/corpus/<name>.
#
#   scripts/run-fuzz.sh [-t seconds-per-target] [-j targets-at-once] [name...]
#   scripts/run-fuzz.sh -r [name...]
#
# Names: filter_job raster_path printerapp_pages response_framing device_id
# serial_number info_file emulator_protocol backend_stream backend_arguments
# (default: all).
# Default time: 30 s each, one at a time. -r replays every input of each
# corpus in the tree once instead (no new inputs), as CI does.
# For a long campaign, e.g. two targets at a time for an hour each:
#   nice scripts/run-fuzz.sh -t 3600 -j 2
# New inputs that reach new code are kept in build-fuzz/corpus/<name> (the
# corpus in the repository stays as it is); a crash leaves its input in
# build-fuzz/artifacts/<name>/ and makes the script fail. Each target's
# log is build-fuzz/logs/<name>.log; the summary gives runs and runs per
# second. Reproduce a crash with: build-fuzz/fuzz/fuzz_<name> <input file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
parallel=1
replay=0
while getopts "t:j:r" opt; do
  case "$opt" in
    t) seconds="$OPTARG" ;;
    j) parallel="$OPTARG" ;;
    r) replay=1 ;;
    *) echo "usage: $0 [-t seconds] [-j parallel] [-r] [name...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
all=(filter_job raster_path printerapp_pages response_framing device_id serial_number info_file emulator_protocol backend_stream backend_arguments)
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKV71P_FUZZ=ON -DKV71P_SANITIZE=ON \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target fuzzers >/dev/null

mkdir -p "$build/logs"
run_one() {
  local name="$1"
  local work="$build/corpus/$name" artifacts="$build/artifacts/$name/"
  mkdir -p "$work" "$artifacts"
  local extra=()
  if [ "$replay" -eq 1 ]; then
    "$build/fuzz/fuzz_$name" -runs=0 -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "fuzz/corpus/$name" >"$build/logs/$name.log" 2>&1
    return
  fi
  [ -f "fuzz/$name.dict" ] && extra+=("-dict=fuzz/$name.dict")
  # -timeout: one input running longer than this counts as a hang.
  "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "${extra[@]}" \
    "$work" "fuzz/corpus/$name" >"$build/logs/$name.log" 2>&1
}

summary() {
  local name="$1" status="$2" log="$build/logs/$1.log"
  local runs rate
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ] && [ "$replay" -eq 1 ]; then
    printf 'fuzz %-18s ok      corpus of %s inputs replayed\n' "$name" "$(ls "fuzz/corpus/$name" | wc -l)"
  elif [ "$status" -eq 0 ]; then
    printf 'fuzz %-18s ok      %ss  runs %s  (%s/s)\n' "$name" "$seconds" "${runs:-?}" "${rate:-?}"
  else
    printf 'fuzz %-18s FAILED  (exit %s) see %s and %s\n' "$name" "$status" "$log" \
      "$build/artifacts/$name/"
    grep -m 5 -E 'ERROR|runtime error|property violated|SUMMARY' "$log" || true
  fi
}

failed=0
pids=()
names=()
for name in "${targets[@]}"; do
  if [ ! -d "fuzz/corpus/$name" ]; then
    echo "run-fuzz: unknown target $name" >&2
    exit 2
  fi
  run_one "$name" &
  pids+=($!)
  names+=("$name")
  if [ "${#pids[@]}" -ge "$parallel" ]; then
    status=0
    wait "${pids[0]}" || status=$?
    summary "${names[0]}" "$status"
    [ "$status" -eq 0 ] || failed=1
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  status=0
  wait "${pids[$i]}" || status=$?
  summary "${names[$i]}" "$status"
  [ "$status" -eq 0 ] || failed=1
done
exit "$failed"
