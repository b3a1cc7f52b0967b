#!/usr/bin/env bash
# Screenshots of the printer application's web interface, taken by headless
# Chromium from a server on loopback with an emulated printer: the printer's
# status while a job waits for paper, its supplies, and its printing
# defaults with the KV-71P's own options. They land in docs/ (the README
# shows them):
#
#   bash scripts/printerapp-screenshots.sh [BUILD_DIR]     # default: build
#
# Installs Chromium (Debian's `chromium`) when it is missing. Nothing of the
# machine's own printing is touched: the server, the emulator, the cache and
# lock folders live in a temporary folder and are gone afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-$root/build}

if ! command -v chromium >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends chromium
fi
cmake --build "$build" -j2 --target kv71p-printer-app kv71p-emulator kv71p-test-photo

work=$(mktemp -d /tmp/kv71p-screenshots-XXXXXX)
. scripts/lib/background.sh
scratch=$work
trap 'exit 130' INT TERM HUP

wait_for() {  # seconds, what, command...
  local i
  for ((i = 0; i < $1 * 10; i++)); do
    if "${@:3}" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "screenshots: $2 (waited $1 s)" >&2
  exit 1
}

# A free port on loopback.
port=18071
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

export KV71P_USB_EMULATOR=$work/emulator.sock KV71P_CACHE_DIR=$work/cache/KV-71P KV71P_LOCK_DIR=$work/locks
export SNAP_COMMON=$work  # the server's control socket
emulator=$build/tools/testbed/emulator/kv71p-emulator
app=$build/printerapp/kv71p-printer-app
"$emulator" --socket "$KV71P_USB_EMULATOR" >"$work/emulator.log" 2>&1 &
pids+=($!)
emu() { "$emulator" --socket "$KV71P_USB_EMULATOR" send "$@"; }
wait_for 10 "the emulator did not start" emu ping
emu attach "serial=KV 7001" print-ms=500 initial=000000050 remain=000000020 remainhalf=000000040 >/dev/null

"$app" server -o server-port="$port" -o state-directory="$work/state" -o log-file="$work/app.log" -o log-level=info &
pids+=($!)
# (Sub-commands that find no server start a private one: none before it runs.)
running() { "$app" status | grep -q '^Running'; }
wait_for 20 "the server did not start" running
printer=KV-71P_KV_7001
has_printer() { "$app" printers | grep -qx "$printer"; }
wait_for 20 "the printer was not added" has_printer
"$app" modify -d "$printer" -o kv71p-overcoat-finish=luster -o kv71p-sharpness=2 >/dev/null

# One photo printed, then one that waits for paper.
"$build/tools/testbed/testphoto/kv71p-test-photo" png 1800 900 "$work/photo.png"
"$app" submit -d "$printer" "$work/photo.png" >/dev/null
printed() { emu prints 1 | grep -q printed; }
wait_for 30 "the first photo was not printed" printed
emu set 1 status=1100 >/dev/null
"$app" submit -d "$printer" "$work/photo.png" >/dev/null
waiting() { grep -q 'paper end: load paper' "$work/app.log"; }
wait_for 30 "the second job did not wait for paper" waiting

shoot() {  # page, height, file
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$work/chromium-XXXXXX")" --window-size="1000,$2" \
    --screenshot="$root/docs/$3" "http://localhost:$port/$printer/$1" >/dev/null 2>&1
  echo "screenshots: docs/$3"
}
shoot "" 640 printerapp-status.png
shoot supplies 300 printerapp-supplies.png
shoot printing 1180 printerapp-options.png
