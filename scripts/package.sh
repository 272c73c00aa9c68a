#!/usr/bin/env bash
# Builds the Debian package in build-deb/ (or the folder given) from a build
# of its own: installed to /usr, with Debian's compiler and hardening flags,
# without the tests. The last line printed is the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-deb}
jobs=$(nproc 2>/dev/null || echo 2)

scripts/deps.sh

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads no CPPFLAGS, so the preprocessor's flags go with the compilers'.
cppflags=$(dpkg-buildflags --get CPPFLAGS)
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
export LDFLAGS=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DORO_BUILD_TESTS=OFF -DORO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/*.deb)
echo "package: $deb"
echo "$PWD/$deb"
