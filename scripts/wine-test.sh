#!/usr/bin/env bash
# Runs the Windows build's suites under Wine, in a fresh prefix of the build's
# own, so no run sees another's registry, services or files.
#   scripts/wine-test.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
build=$(cd "${1:?usage: wine-test.sh BUILD_DIR [ctest arguments...]}" && pwd)
shift

export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
rm -rf "$WINEPREFIX"

# The server starts with the prefix, its streams closed, so no test inherits
# CTest's pipes through it (CTest would wait on them), and it stays up
# between tests.
trap 'wineserver -k 2>/dev/null || true' EXIT
echo "wine-test: initialising the prefix $WINEPREFIX"
start=$(date +%s)
wine64_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
"$wine64_loader" wineboot -i </dev/null >/dev/null 2>&1 || true
# There is no X display: Wine's null display driver lets programs make
# windows (message boxes) that a test reads and answers itself.
"$wine64_loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 ||
  { echo "wine-test: could not choose Wine's null display driver" >&2; exit 1; }
wineserver -w  # the prefix's registry is on disk once its first server has gone
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine-test: wineboot could not create $WINEPREFIX" >&2; exit 1; }
wineserver -p 120 </dev/null >/dev/null 2>&1
# The system's own processes (services, device manager, desktop) start with
# the first program and live as long as the server: start them here, with
# closed streams, rather than from a test.
"$wine64_loader" wineboot </dev/null >/dev/null 2>&1 || true
echo "wine-test: prefix ready in $(($(date +%s) - start)) s"

# A box waits for a click nobody gives: programs stay on the console unless a
# test asks for boxes itself.
export ORO_DIALOGS=console
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@" </dev/null
