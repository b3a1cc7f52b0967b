#!/usr/bin/env bash
# The main job: sets up a fresh machine, builds the suite and runs it on the
# emulated printer. Results land in demo-output/ (see the README).
#
# 1. A photo-like picture (kv71p-test-photo) through the real CUPS filter
#    chain: cupsfilter with the project's PPD runs CUPS's own filters and
#    rastertokv71p, which reads the loaded media from a per-job file and
#    matches colours through a generated LUT printer profile; kv71p-decode
#    checks every command block and renders each print as PNG files.
# 2. The whole suite: a private CUPS scheduler, the printer emulator with a
#    printer attached, the status service creating the printer's queue, the
#    picture printed to that queue (the backend vexbackend writes the
#    per-job file and delivers the filter's stream to the emulated printer,
#    which renders what it prints; a copy of the stream is decoded), a
#    two-print job with a paper end in the middle that the demo clears, with
#    what ipptool reports for the queue before, during and after, and the
#    status window, opened by Watchlauncher for the queue (Qt offscreen),
#    through an update, paper end, unplugging and the queue's deletion, with
#    screenshots.
# 3. The same photo through the printer application kv71p-printer-app on the
#    same emulated bus: a printer plugged in gets its printer object by
#    itself, the photo sent with `submit` is printed by the emulated
#    printer, and ipptool shows the printer (state reasons, supplies) once
#    printed and out of paper.
#
# Nothing touches the machine's own CUPS or cache folder: the scheduler,
# the service's cache folder and the emulator's socket live in a temporary
# folder, and every CUPS client here talks to the private scheduler.
# Everything started is stopped at the end, also when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
umask 022

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=$root/build-demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$jobs"

out=$root/demo-output
rm -rf "$out"
mkdir -p "$out"

say() { echo "demo: $*"; }
fail() { echo "demo: FAILED: $*" >&2; exit 1; }

# --- 1. The filter chain with cupsfilter --------------------------------

# The picture and the printer profile.
"$build/tools/testbed/testphoto/kv71p-test-photo" png 1800 900 "$out/photo.png"
"$build/tools/testbed/testprofiles/kv71p-make-profile" lut "$out/printer-lut.icc" >/dev/null

# cupsfilter runs the filters of the ServerBin its cups-files.conf names and
# gives them a fixed environment: a folder of links to the system's filters
# plus a wrapper that points the built filter at the demo's cache folder.
serverbin="$out/cups/serverbin"
mkdir -p "$serverbin/filter" "$out/cache"
for f in /usr/lib/cups/filter/*; do
  [ "$(basename "$f")" = rastertokv71p ] || ln -s "$f" "$serverbin/filter/"
done
filter=$build/filter/rastertokv71p
printf '#!/bin/sh\nKV71P_CACHE_DIR=%s\nexport KV71P_CACHE_DIR\nexec %s "$@"\n' \
  "'$out/cache'" "'$filter'" >"$serverbin/filter/rastertokv71p"
chmod 755 "$serverbin/filter/rastertokv71p"
printf 'ServerBin %s\nDataDir /usr/share/cups\n' "$serverbin" >"$out/cups/cups-files.conf"

ppd="$build/ppd/KV-71P.ppd.gz"
decode() {  # name: decodes demo-output/<name>.kv71p into <name>-listing.txt and <name>/
  "$build/tools/decoder/kv71p-decode" --png "$out/$1" "$out/$1.kv71p" >"$out/$1-listing.txt"
  say "$1: $(tail -1 "$out/$1-listing.txt")"
}
run_job() {  # name, per-job file text, copies, options...
  local name=$1 jobfile=$2 copies=$3
  shift 3
  printf '%b' "$jobfile" >"$out/cache/Print_1.log"
  local options=()
  for o in "$@"; do options+=(-o "$o"); done
  cupsfilter -e -p "$ppd" -m printer/foo -c "$out/cups/cups-files.conf" -n "$copies" \
    "${options[@]}" "$out/photo.png" >"$out/$name.kv71p" 2>"$out/$name-cupsfilter.log"
  decode "$name"
}

# Two copies on 8 x 4 in media loaded for two photos per print: one print
# of two borderless photos, matched through the LUT profile.
run_job two-photos 'MEDIA_SIZE="00500"\nMEDIA_CLASS="0002"\nMEDIA_REMAIN_HALF="00040"\n' 2 \
  PageSize=207x105mm VexICCProfile="$out/printer-lut.icc" VexSharpness=3 VexOvercoatFinish=Luster
# Three copies on 8 x 4 in media loaded for three photos per print: one
# print of three photos with a white border, warmer and more saturated.
run_job three-photos-border 'MEDIA_SIZE="00510"\n' 3 \
  PageSize=207x105mm VexBorder=Enable VexICCProfile="$out/printer-lut.icc" \
  VexColorAdjustment=Enable VexGammaR=10 VexBrightnessB=-10 VexChroma=30

# --- 2. The whole suite on the emulated printer -------------------------

# Filters and backends of the scheduler run as user lp: everything they
# touch lives in a world-searchable temporary folder, programs copied in.
work=$(mktemp -d /tmp/kv71p-demo-XXXXXX)
chmod 755 "$work"
mkdir -p "$out/logs"
pids=()  # started in the background, stopped in reverse order
cache=$work/cache/Korvale/KV-71P   # the cache folder of all four programs
printwatch=$build/apps/printwatch/Printwatch.app/Contents/MacOS/Printwatch
screenshot=$build/apps/printwatch/Printwatch.app/Contents/MacOS/printwatch-screenshot

stop_pid() {  # pid: SIGTERM, up to 10 s, then SIGKILL
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# The status window runs detached from the launcher: it is found by its
# program and by this run's own cache folder in its environment.
window_pids() {
  local p exe
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    [ "$exe" = "$printwatch" ] || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "KV71P_CACHE_DIR=$cache" &&
      echo "${p#/proc/}"
  done
  return 0
}

cleanup() {
  local status=$? i
  set +e
  trap - EXIT INT TERM HUP
  for pid in $(window_pids); do stop_pid "$pid"; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop_pid "${pids[i]}"; done
  cp "$work/cups/log/error_log" "$out/logs/cupsd-error_log" 2>/dev/null
  rm -rf "$work"
  [ "$status" -eq 0 ] || echo "demo: stopped everything it started; logs in demo-output/logs/" >&2
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

wait_for() {  # seconds, what, command...: polls the command every 0.1 s
  local seconds=$1 what=$2 i
  shift 2
  for ((i = 0; i < seconds * 10; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "$what (waited $seconds s)"
}

# The private scheduler: its own configuration, spool, logs and socket;
# ServerBin holds links to the system's filters and backends plus the
# built filter (through a wrapper that keeps a copy of its stream) and the
# backend vexbackend (mode 0700: run as root when the scheduler is root);
# DataDir links the system's data plus a model folder with the queue's PPD.
cups=$work/cups
mkdir -p "$cups"/{etc,spool,cache,state,log,home} "$cups/spool/tmp" \
  "$cups/serverbin/filter" "$cups/serverbin/backend" "$cups/data/model/korvale" "$work/cache" \
  "$work/streams" "$work/locks"
chmod 1777 "$cups/spool/tmp"
chmod 777 "$work/streams"
for f in /usr/lib/cups/*; do
  case $(basename "$f") in filter | backend) ;; *) ln -s "$f" "$cups/serverbin/" ;; esac
done
for f in /usr/lib/cups/filter/*; do ln -s "$f" "$cups/serverbin/filter/"; done
for f in /usr/lib/cups/backend/*; do ln -s "$f" "$cups/serverbin/backend/"; done
rm -f "$cups/serverbin/filter/rastertokv71p" "$cups/serverbin/backend/vexbackend"
install -m 755 "$filter" "$work/rastertokv71p"
printf '#!/bin/sh\n%s "$@" | tee %s/job-$1.kv71p\n' "'$work/rastertokv71p'" "'$work/streams'" \
  >"$cups/serverbin/filter/rastertokv71p"
chmod 755 "$cups/serverbin/filter/rastertokv71p"
install -m 700 "$build/backend/vexbackend" "$cups/serverbin/backend/vexbackend"
for f in /usr/share/cups/*; do [ "$(basename "$f")" = model ] || ln -s "$f" "$cups/data/"; done
install -m 644 "$ppd" "$cups/data/model/korvale/KV-71P.ppd.gz"
install -m 644 "$out/printer-lut.icc" "$work/printer-lut.icc"

serial="KV 7001"
fileserial="KV%207001"            # the serial number in file names and the device URI
info=$cache/KV-71P_$fileserial.log  # the printer's information file
queue=KORVALE_SYSTEMS_KV_71P
{
  echo "ServerRoot $cups/etc"
  echo "RequestRoot $cups/spool"
  echo "TempDir $cups/spool/tmp"
  echo "CacheDir $cups/cache"
  echo "StateDir $cups/state"
  echo "ServerBin $cups/serverbin"
  echo "DataDir $cups/data"
  echo "AccessLog $cups/log/access_log"
  echo "ErrorLog $cups/log/error_log"
  echo "PageLog $cups/log/page_log"
  echo "Printcap $cups/printcap"
  if [ "$(id -u)" -eq 0 ]; then printf 'User lp\nGroup lp\nSystemGroup root\n'; fi
  echo "SetEnv KV71P_CACHE_DIR $cache"
  echo "SetEnv KV71P_USB_EMULATOR $work/emulator.sock"
  echo "SetEnv KV71P_LOCK_DIR $work/locks"
  echo "SetEnv KV71P_RECONNECT_SECONDS 60"
} >"$cups/etc/cups-files.conf"
cat >"$cups/etc/cupsd.conf" <<EOF
Listen $cups/cups.sock
LogLevel info
DirtyCleanInterval 0
Browsing Off
DefaultAuthType None
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# From here on every CUPS client (lp, lpstat, lpadmin, the service, the
# launcher, the window) talks to the private scheduler.
export CUPS_SERVER=$cups/cups.sock HOME=$cups/home PATH=/usr/sbin:/sbin:$PATH
/usr/sbin/cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" \
  >"$out/logs/cupsd.out" 2>&1 &
pids+=($!)
scheduler_runs() { lpstat -r 2>/dev/null | grep -qx "scheduler is running"; }
wait_for 20 "the private CUPS scheduler did not start" scheduler_runs
say "private CUPS scheduler at $CUPS_SERVER"

# The printer emulator; prints it receives are rendered into demo-output/printer/.
emulator=$build/tools/testbed/emulator/kv71p-emulator
socket=$work/emulator.sock
"$emulator" --socket "$socket" --output "$out/printer" >"$out/logs/emulator.log" 2>&1 &
pids+=($!)
emu() { "$emulator" --socket "$socket" send "$@"; }
wait_for 20 "the printer emulator did not start" emu ping

# The status service on the emulated bus, the private scheduler, cache and
# lock folder.
KV71P_USB_EMULATOR=$socket KV71P_CACHE_DIR=$cache KV71P_LOCK_DIR=$work/locks \
  "$build/service/infokv71p" >"$out/logs/service.log" 2>&1 &
pids+=($!)

# Plug a printer in: the service reads it, creates its queue and writes
# its first information file.
id=$(emu attach "serial=$serial" firmware=1.60 media=0000500 class=0000002 \
  initial=000000050 remain=000000020 remainhalf=000000040 total=0004321 print-ms=1000)
id=${id#OK }
queue_made() { lpstat -v "$queue" 2>/dev/null | grep -qF "serial=$fileserial"; }
wait_for 30 "the service created no queue" queue_made
wait_for 30 "the service wrote no information file" test -s "$info"
say "printer $id attached: $(lpstat -v "$queue")"
cp "$info" "$out/information-file.log"

# Print the picture to the queue: two copies, 8 x 4 in, luster finish, LUT
# profile. The filter reads the media from the per-job file that the
# backend writes from the printer's answers (8 x 10 in media, an even count
# of half prints: both copies on one print); the backend delivers the
# stream to the emulated printer, which prints it into demo-output/printer/.
job_done() { ! lpstat -W not-completed -o 2>/dev/null | grep -q "^$queue-$1 "; }
request=$(lp -d "$queue" -n 2 -o PageSize=207x105mm -o VexOvercoatFinish=Luster \
  -o VexICCProfile="$work/printer-lut.icc" "$out/photo.png")
job=$(sed -n "s/^request id is $queue-\([0-9]*\) .*/\1/p" <<<"$request")
[ -n "$job" ] || fail "lp: $request"
wait_for 120 "job $job did not come through the queue" job_done "$job"
wait_for 20 "the emulated printer printed nothing" test -s "$out/printer/printer$id-print1-preview.png"
cp "$work/streams/job-$job.kv71p" "$out/queue-job.kv71p"
decode queue-job
say "queue-job: the emulated printer printed demo-output/printer/printer$id-print1-*.png"

# Two prints with a paper end in the middle, cleared by the demo: what
# ipptool reports for the queue (state reasons, marker levels) before,
# while the paper is out, and after.
ipp_uri="ipp://$(sed 's|/|%2F|g' <<<"$cups/cups.sock")/printers/$queue"
ipp_state() { ipptool -t "$ipp_uri" tests/scenario/printer-state.test; }
ipp_state >"$out/ipp-before.txt"
request=$(lp -d "$queue" -n 2 -o PageSize=207x156mm "$out/photo.png")
job=$(sed -n "s/^request id is $queue-\([0-9]*\) .*/\1/p" <<<"$request")
[ -n "$job" ] || fail "lp: $request"
first_printing() { emu prints "$id" | grep -q 'started:full$'; }
wait_for 120 "the first print of job $job did not start" first_printing
emu set "$id" status=1100 >/dev/null
paper_out() { ipp_state >"$out/ipp-paper-end.txt" && grep -q 'printer-state-reasons.*media-empty-error' "$out/ipp-paper-end.txt"; }
wait_for 30 "CUPS did not show the paper end" paper_out
say "paper end: $(grep -o 'printer-state-reasons.*' "$out/ipp-paper-end.txt")"
emu set "$id" status=0 >/dev/null
wait_for 60 "job $job did not complete after the paper end" job_done "$job"
ipp_state >"$out/ipp-after.txt"
say "two-print job done: $(emu prints "$id" | tr ' ' '\n' | grep -c '^printed:') prints printed in all; $(grep -o 'marker-levels.*' "$out/ipp-after.txt")"

# The user opens the queue's status: Watchlauncher starts the window
# (offscreen), which writes what it shows into a file after every cycle.
mkdir -m 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime LANGUAGE=en LC_ALL=C.UTF-8
shown=$work/shown.txt
KV71P_CACHE_DIR=$cache KV71P_PRINTWATCH_SHOWN_FILE=$shown \
  "$build/apps/watchlauncher/Watchlauncher" "$queue" || fail "Watchlauncher $queue"
wait_for 20 "the status window did not open" test -e "$cache/KV-71P_${fileserial}_UTIL"
say "status window open for $queue (pid $(window_pids | tr '\n' ' '))"

shows() { grep -qxF "$1" "$shown"; }
# snapshot name: the window's texts and a screenshot of the window drawn
# from the same information file.
snapshot() {
  cp "$shown" "$out/$1.txt"
  "$screenshot" "$out/$1.log" "$(sed -n 's/^TITLE=//p' "$shown")" "$out/$1.png"
  say "$1: $(sed -n 's/^STATUS=//p' "$shown"), total count $(sed -n 's/^TOTAL_COUNT=//p' "$shown")"
}
# Keeps a copy of the information file once it holds `key=value`.
file_holds() { grep -qF "$1" "$info" && cp "$info" "$2" && grep -qF "$1" "$2"; }

# Update: the window's button leaves the refresh flag; the service answers
# with the total count (two more prints since the window opened).
emu set "$id" total=0004323 >/dev/null
: >"$cache/KV-71P_${fileserial}_TC_UTIL"
wait_for 20 "no total count after the update" file_holds 'TOTAL_COUNT="04323"' "$out/status-window.log"
wait_for 20 "the window did not show the count" shows "TOTAL_COUNT=4323"
snapshot status-window

# Out of paper.
emu set "$id" status=1100 >/dev/null
wait_for 20 "paper end did not reach the file" file_holds 'PRINTER_STATUS="01100"' "$out/status-window-paper-end.log"
wait_for 20 "the window did not show paper end" shows "STATUS_ICON=PrtStsPaperEnd"
snapshot status-window-paper-end

# Unplugged: the placeholder file, the window shows the printer offline.
emu detach "$id" >/dev/null
wait_for 20 "no placeholder file" file_holds 'PRINTER_STATUS="99999"' "$out/status-window-offline.log"
wait_for 20 "the window did not show offline" shows "STATUS_ICON=PrtStsOffline"
snapshot status-window-offline

# The queue deleted: the window closes by itself and removes its flag.
lpadmin -x "$queue"
no_window() { [ ! -e "$cache/KV-71P_${fileserial}_UTIL" ] && [ -z "$(window_pids)" ]; }
wait_for 20 "the window did not close with its queue" no_window
say "queue deleted: the status window closed"

# --- 3. The same photo through the printer application ------------------

# kv71p-printer-app on the same emulated bus, cache and lock folder: a
# printer plugged in gets a printer object by itself (the status service
# beside it gives it a CUPS queue as well; the hand-over lock keeps the
# two apart). The photo goes in with `submit`, the emulated printer prints
# it into demo-output/printer/, and ipptool shows the printer as IPP
# clients see it: once printed, and out of paper.
app=$build/printerapp/kv71p-printer-app
port=18071
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
KV71P_USB_EMULATOR=$socket KV71P_CACHE_DIR=$cache KV71P_LOCK_DIR=$work/locks SNAP_COMMON=$work \
  "$app" server -o server-port="$port" -o state-directory="$work/printer-app" -o log-level=info \
  -o log-file="$out/logs/printer-app.log" &
pids+=($!)
appcmd() { SNAP_COMMON=$work "$app" "$@"; }
app_runs() { appcmd status | grep -q '^Running'; }
wait_for 20 "the printer application did not start" app_runs
appid=$(emu attach "serial=KV 7002" media=0000500 initial=000000050 remain=000000030 remainhalf=000000060 print-ms=1000)
appid=${appid#OK }
app_printer=KV-71P_KV_7002
app_has_printer() { appcmd printers | grep -qx "$app_printer"; }
wait_for 30 "the printer application did not add the printer" app_has_printer
say "printer $appid plugged in: the printer application added $app_printer"
app_uri=ipp://localhost:$port/ipp/print/$app_printer
appjob=$(appcmd submit -d "$app_printer" -o media=om_kv71p-8x4_207.27x104.65mm -o copies=2 \
  -o kv71p-overcoat-finish=luster "$out/photo.png")
app_printed() { ls "$out/printer/printer$appid-print"*-preview.png; }
wait_for 60 "the printer application's job $appjob was not printed" app_printed
app_done() { appcmd jobs -d "$app_printer" | grep -q "^${appjob##*-} completed"; }
wait_for 30 "the printer application's job $appjob did not complete" app_done
ipptool -tv "$app_uri" get-printer-attributes.test >"$out/printerapp-ipp.txt"
say "printer application: job $appjob printed as $(basename "$(app_printed | head -1)");" \
  "$(grep -o 'printer-supply (octetString) = .*' "$out/printerapp-ipp.txt")"
emu set "$appid" status=1100 >/dev/null
app_paper_out() {
  ipptool -tv "$app_uri" get-printer-attributes.test >"$out/printerapp-ipp-paper-end.txt" &&
    grep -q 'printer-state-reasons (keyword) = media-empty' "$out/printerapp-ipp-paper-end.txt"
}
wait_for 30 "the printer application did not show the paper end" app_paper_out
say "printer application, paper end: $(grep -o 'printer-state-reasons.*' "$out/printerapp-ipp-paper-end.txt")"
emu set "$appid" status=0 >/dev/null

echo
echo "demo: all results are in demo-output/ (the README lists them):"
echo "demo:   photo.png                      the picture printed"
echo "demo:   two-photos/, three-photos-border/  cupsfilter jobs rendered back (print01-preview.png ...)"
echo "demo:   queue-job/, printer/           the job printed to the service's queue, rendered"
echo "demo:                                  by the decoder and by the emulated printer"
echo "demo:   ipp-before.txt, ipp-paper-end.txt, ipp-after.txt   the queue's state reasons and"
echo "demo:                                  marker levels around a job with a paper end"
echo "demo:   status-window*.png             the status window: ready, paper end, offline"
echo "demo:   printerapp-ipp*.txt            the printer application's printer as ipptool sees it"
