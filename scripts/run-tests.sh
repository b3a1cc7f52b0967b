#!/usr/bin/env bash
# Sets up a fresh machine and runs every test of the suite:
# installs the packages, builds with warnings as errors, runs the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build-tests

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV71P_WERROR=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
