#!/usr/bin/env bash
# The Windows build: cross-builds the library, the processing object, the
# service, oroctl and the suites with mingw-w64, checks the exports by name,
# and runs the suites under Wine. The Qt panel is not part of it: Debian ships
# no Qt for mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
build=${ORO_WINDOWS_BUILD:-build-win}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"
scripts/check-exports.sh "$build/bin"
scripts/wine-test.sh "$build" -j "$jobs"
