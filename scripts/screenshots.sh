#!/usr/bin/env bash
# Pictures of the control panel as a user sees it: every page of the menu and
# every dialog, in Chinese and in English, taken offscreen on a fresh
# simulated machine.
#
# usage: scripts/screenshots.sh [FOLDER]   (default: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
out=$(realpath -m "${1:-docs/screenshots}")

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target oro_panel oro-sim oroctl

export ORO_PLATFORM=sim
ORO_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/orosound-shots-XXXXXX")
export ORO_ROOT
# The machine's creation also starts the host of its simulated HID bus.
trap 'build/bin/oro-sim hid stop >/dev/null 2>&1 || true; rm -rf "$ORO_ROOT"' EXIT
build/bin/oro-sim create >/dev/null
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen ORO_PANEL_SCREENSHOTS="$out" build/bin/oro_panel
echo "screenshots: written to $out"
