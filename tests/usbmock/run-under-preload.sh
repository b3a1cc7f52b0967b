#!/bin/sh
# Runs a test program of a build with AddressSanitizer under umockdev's
# preload, as umockdev-wrapper does for other builds:
#
#   run-under-preload.sh SANITIZER-RUNTIME PROGRAM [ARGUMENT...]
#
# - A shared sanitizer runtime (GCC's; "none" for Clang's static one) is
#   preloaded ahead of umockdev's library: AddressSanitizer insists on
#   coming first among the libraries loaded at start, and umockdev-wrapper
#   puts its own library first.
# - A report folder in ASAN_OPTIONS's log_path becomes the working folder
#   and log_path the bare file name. Given a folder, AddressSanitizer
#   creates it with mkdir() while it starts; umockdev's mkdir() looks libc
#   up with dlopen(), which lands in AddressSanitizer's dlopen() before
#   that is set up: the program dies at once with a jump to address 0.
#   The programs a test starts inherit both, so their reports land in the
#   same folder.
set -eu
runtime=$1
shift
[ "$runtime" != none ] || runtime=
case $1 in
  /*) ;;
  */*) program=$PWD/$1; shift; set -- "$program" "$@" ;;
esac
log=$(printf '%s\n' "${ASAN_OPTIONS:-}" | tr ':' '\n' | sed -n 's/^log_path=//p' | tail -n 1)
case $log in
  */*)
    mkdir -p "$(dirname "$log")"
    cd "$(dirname "$log")"
    ASAN_OPTIONS="$ASAN_OPTIONS:log_path=$(basename "$log")"
    export ASAN_OPTIONS
    ;;
esac
LD_PRELOAD="${runtime:+$runtime:}libumockdev-preload.so.0${LD_PRELOAD:+:$LD_PRELOAD}" exec "$@"
