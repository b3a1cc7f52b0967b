#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into fuzz/corpus/. Run once
# after changing a seed; the corpora are kept in the repository.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
corpus="$here/../corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cc "$here/MakeRasterSeed.c" -o "$work/MakeRasterSeed" $(cups-config --libs) -lcupsimage

seed() {  # seed <target> <name>, bytes on standard input
  mkdir -p "$corpus/$1"
  cat > "$corpus/$1/$2"
}

# A query answer: 8-digit length, then the payload.
answer() { printf '%08d%s' "${#1}" "$1"; }

# --- filter job: options NUL per-job file NUL raster ---
jobfile=$'MEDIA_SIZE="00510"\nMEDIA_CLASS="2"\nMEDIA_REMAIN_HALF="00301"\n'
for entry in "plain:16 12 1 1 w:" \
            "two-pages:8 8 2 1 c:PageSize=207x130mm VexBorder=True" \
            "copies:4 6 1 2 w:Resolution=600x600dpi com.apple.print.preset.Orientation..n.=4" \
            "layout:10 10 3 1 c:PageSize=207x105mm VexSharpness=2 AP_ColorMatchingMode=AP_ApplicationColorMatching" \
            "everything:12 9 1 1 w:VexBorder=Enable VexColorAdjustment=Enable VexGammaR=50 VexBrightnessG=-20 VexContrastB=30 VexChroma=-30 VexSharpness=8 VexICCProfile=@ICC@ VexOvercoatFinish=Matte VexPrintRetry=Enable VexPrintSpeed=Enable VexDecurl=Auto" \
            "skipped:70000 2 1 1 c:" \
            "border-600:7 11 1 1 c:Resolution=600x600dpi PageSize=214x151mm VexBorder=Enable VexICM=None com.apple.print.preset.Orientation..n.=2" ; do
  name="${entry%%:*}"; rest="${entry#*:}"; geometry="${rest%%:*}"; options="${rest#*:}"
  # shellcheck disable=SC2086
  "$work/MakeRasterSeed" "$work/r" $geometry
  { printf '%s\0%s\0' "$options" "$jobfile"; cat "$work/r"; } | seed filter_job "$name"
done
"$work/MakeRasterSeed" "$work/r" 3 3 1 1 w
{ printf '\0\0'; cat "$work/r"; } | seed filter_job no-job-file

# --- response framing: mode, piece, expected-length word, out-size word, prefix NUL, bytes ---
{ printf '\x00\x00\x01\x00\x10\x00\0'; answer $'0001000\r'; } | seed response_framing status
{ printf '\x00\x03\x00\x00\x40\x00\0'; answer $'KVP00123\r'; } | seed response_framing any-length
{ printf '\x00\x00\x00\x00\x40\x00K\0'; answer $'KVP 00123\r'; } | seed response_framing prefix
{ printf '\x01\x00\x01\x00\x08\x00\0'; printf '00000008000010\r\0'; } | seed response_framing raw
{ printf '\x02\x00\x40'; answer $'0001000\r'; answer $'KVP00123\r'; answer $'1.53\r';
  answer $'0000510\r'; answer $'0000002\r'; answer $'000000400\r'; answer $'000000123\r';
  answer $'000000246\r'; answer $'0001234\r'; } | seed response_framing queries

# --- device ID: cut size, then the answer (16-bit big-endian length first) ---
id='MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;DES:Korvale KV-71P;'
len=$(( ${#id} + 2 ))
{ printf '\x20'; printf "\\x$(printf %02x $((len >> 8)))\\x$(printf %02x $((len & 255)))"; printf '%s' "$id"; } | seed device_id korvale
id2='MANUFACTURER:Korvale; MODEL: KV-71P ;COMMAND SET:VEX;'
len=$(( ${#id2} + 2 ))
{ printf '\x08'; printf "\\x$(printf %02x $((len >> 8)))\\x$(printf %02x $((len & 255)))"; printf '%s' "$id2"; } | seed device_id long-keys

# --- serial number ---
printf 'KVP00123' | seed serial_number plain
printf 'KV7 004211' | seed serial_number space
printf 'Ser\xc3\xa9 1' | seed serial_number utf8

# --- information file / per-job file: out-size byte, then the file ---
{ printf '\x40'; cat "$here/../../apps/printwatch/screenshots/printing.log"; } | seed info_file printing
{ printf '\x10'; cat "$here/../../apps/printwatch/screenshots/paper-end.log"; } | seed info_file paper-end
{ printf '\x80'; printf '%s' "$jobfile"; } | seed info_file job-file

# --- emulator control protocol: one connection's request lines ---
{
  echo 'attach serial="KV7 0042" status=1000 interfaces=2'
  echo 'list'
  echo 'get 1'
  echo 'open 1'
  echo 'interfaces'
  echo 'claim 0'
  echo 'control 0 0xA1 0 0 0 256 100'
  echo "bulkout 0 1 1000 $(printf '\033PINFO  SERIAL_NUMBER   00000000' | od -An -tx1 | tr -d ' \n')"
  echo 'bulkin 0 130 4096 10'
  echo 'bulkin 0 130 4096 1'
  echo 'log 1'
  echo 'transfers 1'
  echo 'set 1 silent=all frame.STATUS=0000000x unplug-on=STATUS'
  echo 'release 0'
  echo 'close'
  echo 'detach 1'
  echo 'help'
} | seed emulator_protocol session
printf 'watch 65535 11\nattach\ndetach 1\n' | seed emulator_protocol watch
printf 'attach deviceid="MFG:X;\\x00\\"" deviceid-length=3\nclearlog 1\nping\n' | seed emulator_protocol quoting
# A print sent raw (MULTICUT 408, START, a status query), then part of a
# second one, left unfinished when the interface is released.
block() {  # block <command> <parameter> [<data>]: one command block
  if [ $# -gt 2 ]; then printf '\033P%-6s%-16s%08d%s' "$1" "$2" "${#3}" "$3"
  else printf '\033P%-6s%-16s        ' "$1" "$2"; fi
}
print="$(block IMAGE MULTICUT 00000408; block CNTRL START; block STATUS '')"
partial="$(block IMAGE YPLANE "$(printf 'y%.0s' {1..100})")"
partial="${partial:0:50}"
{
  printf 'attach print-ms=0 media=0000510 remainhalf=000000003\nopen 1\nclaim 0\n'
  printf 'bulkout-raw 0 1 1000 %d\n%s' "${#print}" "$print"
  printf 'bulkin 0 130 64 10\nbulkout-raw 0 1 1000 %d\n%s' "${#partial}" "$partial"
  printf 'release 0\nprints 1\nget 1\nbulkout-raw 0 1 1000 x\n'
} | seed emulator_protocol raw-print

# --- backend stream: prints as the backend reads them from the filter ---
le() {  # le <value> <bytes>: the value little-endian
  local i
  for ((i = 0; i < $2; i++)); do printf "\\x$(printf %02x $((($1 >> (8 * i)) & 255)))"; done
}
plane() {  # plane <name>: a plane command of one 2560-pixel row at 300 dpi
  printf '\033PIMAGE %-16s%08d' "$1" 3648
  printf 'BM'; le 3648 4; le 0 4; le 1088 4; le 40 4; le 2560 4; le 1 4; le 1 2; le 8 2
  le 0 4; le 2560 4; le 11811 4; le 11811 4; le 256 4; le 256 4
  for ((i = 0; i < 256; i++)); do le $((i * 65793)) 4; done
  head -c 10 /dev/zero; head -c 2560 /dev/zero | tr '\0' '\200'
}
one_print() { block CNTRL CUTTER 00000000; block IMAGE MULTICUT 00000408; plane YPLANE; plane MPLANE; plane CPLANE; block CNTRL START; }
{ one_print; one_print; } | seed backend_stream two-prints
{ one_print; plane YPLANE | head -c 100; } | seed backend_stream cut-short
{ block IMAGE MULTICUT 00000408; plane YPLANE; plane MPLANE; plane CPLANE; } | seed backend_stream no-start
{ block IMAGE MULTICUT 00000408; block STATUS ''; block CNTRL START; } | seed backend_stream query-inside
