#!/usr/bin/env bash
# The main job: sets up a fresh machine, builds the suite and runs a print
# stream through it. Results land in demo-output/.
#
# For now the stream comes from kv71p-demo-stream (two prints of a test
# pattern built with the suite's command blocks); kv71p-decode checks every
# block and renders each print's planes and a colour preview as PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build-demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$jobs"

out=demo-output
rm -rf "$out"
mkdir -p "$out"
"$build/tools/decoder/kv71p-demo-stream" "$out/stream.kv71p"
"$build/tools/decoder/kv71p-decode" --png "$out" "$out/stream.kv71p" | tee "$out/listing.txt"

echo
echo "demo: the command stream is $out/stream.kv71p, its block listing $out/listing.txt;"
echo "demo: each print's planes and colour preview are in $out/ (print01-preview.png, ...)"
