#!/usr/bin/env bash
# Installs every package the suite needs to build, test, benchmark and run
# its demo on Debian 12. Safe to run again: packages already present are
# skipped, and apt-get is only called when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libcups2-dev libcupsimage2-dev liblcms2-dev libusb-1.0-0-dev libpng-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6svg6-dev
  libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpappl-dev libjpeg-dev avahi-daemon dbus
  cups cups-client cups-filters cups-ipp-utils ghostscript poppler-utils
  clang libclang-rt-14-dev
  umockdev libumockdev-dev
  desktop-file-utils
  debhelper dpkg-dev lintian
  time python3 lcov
  g++-aarch64-linux-gnu qemu-user
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
