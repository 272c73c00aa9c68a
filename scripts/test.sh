#!/usr/bin/env bash
# Builds the kit and passes its tests: the normal build, then its Debian
# package (built, checked, and as root installed and purged again), then the
# Windows build (cross-built with mingw-w64, its suites run under Wine), then the
# same suite under the address and undefined-behaviour sanitizers, then each
# fuzz target for a bounded time. --quick runs the normal build's suite only.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1
jobs=$(nproc 2>/dev/null || echo 2)

scripts/deps.sh

echo "== formatting =="
scripts/check-format.sh
echo "== every source listed in CMake =="
scripts/check-sources.sh

echo "== build (RelWithDebInfo) =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests =="
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

[ $quick -eq 1 ] && exit 0

echo "== Debian package =="
scripts/package-check.sh

echo "== Windows build (mingw-w64, suites under Wine) =="
scripts/windows-check.sh

echo "== build (address and undefined-behaviour sanitizers) =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DORO_SANITIZE=ON -DORO_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under sanitizers =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-qt.supp" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

if [ -d fuzz ]; then
  echo "== fuzz targets (bounded) =="
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DORO_FUZZ=ON \
    -DORO_BUILD_TESTS=OFF -DORO_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs"
  scripts/fuzz.sh build-fuzz "${ORO_FUZZ_SECONDS:-30}"
fi
