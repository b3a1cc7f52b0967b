#!/usr/bin/env bash
# The line coverage the fuzz corpora reach. Builds the fuzz targets with
# clang's gcov-style coverage (no sanitizers) in build-fuzz-cov, replays
# every input of each target's corpus once (the corpus in the tree and,
# when a campaign grew one, build-fuzz/corpus/<name>), and reports lcov's
# line coverage of the folders the inputs reach.
#
#   scripts/fuzz-coverage.sh [name...]      (default: every target)
#
# lcov's data: build-fuzz-cov/fuzz.info; an HTML report:
#   genhtml -o build-fuzz-cov/html build-fuzz-cov/fuzz.info
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz-cov
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(filter_job raster_path printerapp_pages response_framing
  device_id serial_number info_file emulator_protocol backend_stream backend_arguments)

if [ ! -f "$build/CMakeCache.txt" ]; then
  flags="-fsanitize=fuzzer-no-link --coverage"
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_FUZZ=ON \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target fuzzers >/dev/null

# clang writes gcov data of its own version: lcov reads it through llvm-cov.
gcov="$PWD/$build/llvm-gcov"
printf '#!/bin/sh\nexec llvm-cov-14 gcov "$@"\n' >"$gcov"
chmod +x "$gcov"

# Every line compiled into the targets counts, reached or not.
find "$build" -name '*.gcda' -delete
lcov --quiet --capture --initial --directory "$build" --gcov-tool "$gcov" \
  --output-file "$build/base.info" 2>/dev/null
mkdir -p "$build/logs"
for name in "${targets[@]}"; do
  corpora=("fuzz/corpus/$name")
  [ -d "build-fuzz/corpus/$name" ] && corpora+=("build-fuzz/corpus/$name")
  inputs=$(find "${corpora[@]}" -type f | wc -l)
  "$build/fuzz/fuzz_$name" -runs=0 -timeout=60 -rss_limit_mb=4096 "${corpora[@]}" \
    >"$build/logs/$name.log" 2>&1 || { echo "fuzz-coverage: $name failed, see $build/logs/$name.log" >&2; exit 1; }
  echo "fuzz-coverage: $name replayed ($inputs inputs)"
done

lcov --quiet --capture --directory "$build" --gcov-tool "$gcov" --output-file "$build/run.info" 2>/dev/null
lcov --quiet --add-tracefile "$build/base.info" --add-tracefile "$build/run.info" \
  --output-file "$build/all.info" 2>/dev/null
lcov --quiet --extract "$build/all.info" "$PWD/*" --output-file "$build/fuzz.info" 2>/dev/null
printf '\n%-12s %s\n' "folder" "lines covered by the corpora"
for folder in filter imaging delivery backend printerapp platform common; do
  line=$(lcov --extract "$build/fuzz.info" "$PWD/$folder/*" --output-file "$build/$folder.info" 2>/dev/null |
    sed -n 's/^ *lines\.*: *//p')
  printf '%-12s %s\n' "$folder/" "${line:-no lines reached}"
done
