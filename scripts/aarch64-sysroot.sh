#!/usr/bin/env bash
# Unpacks the arm64 libraries the aarch64 cross build links with (libcups,
# libcupsimage, LittleCMS, GoogleTest and everything they load) into a
# folder of its own, from Debian 12's arm64 packages.
#
# Why a folder and not multiarch: installing the arm64 packages beside the
# host's (dpkg --add-architecture) requires each shared library package to
# have exactly the host's version, and where the mirror is newer than the
# host apt wants to upgrade dozens of host packages first. Here apt runs
# with a private state (its own package lists and an empty list of
# installed packages), only downloads, and dpkg -x unpacks without
# touching the host's package database. Removing the folder undoes it all.
#
# Usage: scripts/aarch64-sysroot.sh <folder>   (idempotent: a complete
# folder for the same package list is left as it is)
set -euo pipefail

root="${1:?usage: aarch64-sysroot.sh <folder>}"
mkdir -p "$root"
root="$(cd "$root" && pwd)"

# Loaded at run time, with what they load in turn.
runtime=(libc6 libgcc-s1 libstdc++6 libcups2 libcupsimage2 liblcms2-2)
# Headers, link names and static libraries (their own dependencies are
# either above or only needed for building against them statically).
develop=(libcups2-dev libcupsimage2-dev liblcms2-dev libgtest-dev)

stamp="$root/.complete"
want="$(printf '%s\n' "${runtime[@]}" "${develop[@]}")"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  echo "aarch64-sysroot: $root is complete"
  exit 0
fi

state="$root/.apt"
rm -rf "$state"
mkdir -p "$state/lists/partial" "$state/archives/partial" "$state/etc/apt.conf.d" "$state/etc/preferences.d"
: > "$state/status"
# The host's own sources (the same mirror and keys), read for arm64 only.
apt_options=(
  -o "Dir::State=$state" -o "Dir::State::Lists=$state/lists" -o "Dir::State::status=$state/status"
  -o "Dir::Cache=$state" -o "Dir::Cache::archives=$state/archives"
  -o "Dir::Etc::Parts=$state/etc/apt.conf.d" -o "Dir::Etc::Preferences=$state/etc/preferences"
  -o "Dir::Etc::PreferencesParts=$state/etc/preferences.d"
  -o "APT::Architecture=arm64" -o "APT::Architectures::=arm64"
  -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root"
)
apt-get "${apt_options[@]}" -qq update
apt-get "${apt_options[@]}" -qq -y --no-install-recommends --download-only install "${runtime[@]}"
(cd "$state/archives" && apt-get "${apt_options[@]}" -qq download "${develop[@]}")

for deb in "$state/archives"/*.deb; do
  dpkg -x "$deb" "$root"
done
# Absolute links inside the packages point into the host: make them point
# into the folder.
find "$root" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
  ln -sfn "$root$(readlink "$link")" "$link"
done
rm -rf "$state"
printf '%s\n' "$want" > "$stamp"
echo "aarch64-sysroot: unpacked into $root"
