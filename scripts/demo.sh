#!/usr/bin/env bash
# The main job: sets up a fresh machine, builds the suite and prints a
# photo-like picture through the real CUPS filter chain. Results land in
# demo-output/.
#
# The picture (kv71p-test-photo) goes through cupsfilter with the project's
# PPD: CUPS's own filters turn the PNG into raster, rastertokv71p turns the
# raster into the printer's command stream, using a per-job file (the media
# loaded in the printer, as the queue's backend would leave it) and a
# generated LUT printer profile. kv71p-decode checks every command block
# and renders each print's planes and a colour preview as PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
build=build-demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$jobs"

out=demo-output
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The picture and the printer profile.
"$build/tools/testphoto/kv71p-test-photo" png 1800 900 "$out/photo.png"
"$build/tools/testprofiles/kv71p-make-profile" lut "$out/printer-lut.icc" >/dev/null

# cupsfilter runs the filters of the ServerBin its cups-files.conf names and
# gives them a fixed environment: a folder of links to the system's filters
# plus a wrapper that points the built filter at the demo's cache folder.
serverbin="$out/cups/serverbin"
mkdir -p "$serverbin/filter" "$out/cache"
for f in /usr/lib/cups/filter/*; do
  [ "$(basename "$f")" = rastertokv71p ] || ln -s "$f" "$serverbin/filter/"
done
filter=$(cd "$build/filter" && pwd)/rastertokv71p
printf '#!/bin/sh\nKV71P_CACHE_DIR=%s\nexport KV71P_CACHE_DIR\nexec %s "$@"\n' \
  "'$out/cache'" "'$filter'" >"$serverbin/filter/rastertokv71p"
chmod 755 "$serverbin/filter/rastertokv71p"
printf 'ServerBin %s\nDataDir /usr/share/cups\n' "$serverbin" >"$out/cups/cups-files.conf"

ppd="$build/ppd/KV-71P.ppd.gz"
run_job() {  # name, per-job file text, copies, options...
  local name=$1 jobfile=$2 copies=$3
  shift 3
  printf '%b' "$jobfile" >"$out/cache/Print_1.log"
  local options=()
  for o in "$@"; do options+=(-o "$o"); done
  cupsfilter -e -p "$ppd" -m printer/foo -c "$out/cups/cups-files.conf" -n "$copies" \
    "${options[@]}" "$out/photo.png" >"$out/$name.kv71p" 2>"$out/$name-cupsfilter.log"
  "$build/tools/decoder/kv71p-decode" --png "$out/$name" "$out/$name.kv71p" >"$out/$name-listing.txt"
  echo "demo: $name: $(tail -1 "$out/$name-listing.txt")"
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

echo
echo "demo: the picture is $out/photo.png;"
echo "demo: each job's command stream is demo-output/<job>.kv71p, its block listing <job>-listing.txt;"
echo "demo: each print's planes and colour preview are in demo-output/<job>/ (print01-preview.png, ...)"
