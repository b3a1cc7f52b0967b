#!/usr/bin/env bash
# Builds the Debian packages from a copy of the source tree, the way a
# packager does (dpkg-buildpackage -b), and leaves the .deb files and the
# .changes file in the output folder.
#
#   build-packages.sh <source tree> <output folder> [compiler launcher]
#
# The copy leaves out version control and every build folder (a folder with
# a CMakeCache.txt), so the package build starts from the sources alone. It
# always lands at <output folder>/src, so a compiler launcher such as
# ccache finds the objects of an earlier run, and is removed once the
# packages are built (a failed build leaves it to look at).
set -euo pipefail

source_tree=$(cd "$1" && pwd)
output=$2
launcher=${3:-}

for tool in dpkg-buildpackage dh lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "build-packages: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

rm -rf "$output"
mkdir -p "$output/src"
excludes=(--exclude=.git --exclude=./demo-output)
while IFS= read -r cache; do
  excludes+=("--exclude=./$(dirname "${cache#"$source_tree"/}")")
done < <(find "$source_tree" -mindepth 2 -maxdepth 3 -name CMakeCache.txt)
tar -C "$source_tree" "${excludes[@]}" -cf - . | tar -C "$output/src" -xf -

if [ -n "$launcher" ]; then
  # debhelper gives the build a HOME of its own: name the launcher's cache.
  export CMAKE_C_COMPILER_LAUNCHER=$launcher CMAKE_CXX_COMPILER_LAUNCHER=$launcher
  if [ "$(basename "$launcher")" = ccache ] && [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR=$("$launcher" -k cache_dir)
    export CCACHE_DIR
  fi
fi

cd "$output/src"
DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -b -us -uc

# The tests need the packages only.
cd "$output"
rm -rf "$output/src"
