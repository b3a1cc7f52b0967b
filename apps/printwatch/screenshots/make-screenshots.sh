#!/usr/bin/env bash
# Writes the screenshots of the status window in docs/ from the sample
# information files beside this script: printing with media, paper end,
# offline (no information file), and printing once more in German.
#
#   bash apps/printwatch/screenshots/make-screenshots.sh [build folder]
#
# Builds the screenshot tool when needed (default build folder: build/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:-$root/build}

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target Printwatch printwatch-screenshot >/dev/null
tool="$build/apps/printwatch/Printwatch.app/Contents/MacOS/printwatch-screenshot"

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" LANGUAGE=en LC_ALL=C.UTF-8

mkdir -p "$root/docs"
"$tool" "$here/printing.log" "KV-71P Studio" "$root/docs/printwatch-printing.png"
"$tool" "$here/paper-end.log" "KV-71P Studio" "$root/docs/printwatch-paper-end.png"
"$tool" "$runtime/no-information-file.log" "KV-71P Studio" "$root/docs/printwatch-offline.png"
LANGUAGE=de LC_ALL=de_DE.UTF-8 \
  "$tool" "$here/printing.log" "KV-71P Studio" "$root/docs/printwatch-printing-de.png"
echo "screenshots written to $root/docs/printwatch-*.png"
