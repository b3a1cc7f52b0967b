#!/usr/bin/env bash
# Sets up a fresh machine and runs every test of the suite:
# installs the packages, builds with warnings as errors, runs the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build-tests

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_WERROR=ON -DKV71P_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

# Two minutes of the soak: printers plugged at random while the service
# runs, jobs with injected faults through a private cupsd, status windows.
"$build"/tools/testbed/soak/kv71p-soak --seconds 120 --report "$build"/soak-report.txt

# The filter, its image library, the shared code and their tests (the
# golden digests among them) built for 64-bit ARM with Debian's cross
# compiler and run under qemu-aarch64, with the arm64 libraries unpacked
# into a folder of their own (scripts/aarch64-sysroot.sh says why).
bash scripts/aarch64-sysroot.sh build-aarch64-sysroot
cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake \
  -DKV71P_AARCH64_SYSROOT="$PWD/build-aarch64-sysroot" -DKV71P_FILTER_ONLY=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_WERROR=ON
cmake --build build-aarch64 -j "$jobs"
ctest --test-dir build-aarch64 --output-on-failure -j "$jobs"

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (every program the tests start is instrumented too). Reports of every
# process go to files, so a report from a program a test started is seen
# even when that test only looks at its output; any report fails the run.
# LeakSanitizer stays on; tests/hardening/lsan.supp lists the one system
# library whose memory is kept until exit on purpose.
sanitize=build-sanitize
cmake -S . -B "$sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_WERROR=ON -DKV71P_SANITIZE=ON
cmake --build "$sanitize" -j "$jobs"
reports="$(mktemp -d)"
status=0
ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:abort_on_error=0" \
UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/hardening/lsan.supp:print_suppressions=0" \
  ctest --test-dir "$sanitize" --output-on-failure -j "$jobs" || status=$?
# (A process may leave an empty report file behind: only text counts.)
if [ -n "$(find "$reports" -type f -size +0 -print -quit)" ]; then
  echo "run-tests: sanitizer reports:" >&2
  find "$reports" -type f -size +0 -exec cat {} + >&2
  status=1
fi
rm -rf "$reports"
[ "$status" -eq 0 ] || exit "$status"

# Every fuzz corpus in the tree replayed, then every fuzz target for a
# short while (scripts/run-fuzz.sh runs them for hours).
bash scripts/run-fuzz.sh -r
bash scripts/run-fuzz.sh -t 15
