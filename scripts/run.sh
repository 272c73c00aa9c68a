#!/usr/bin/env bash
# The kit's main job on the embedded default: build, create the simulated
# machine in a fresh state folder, and show what the kit sees there: the
# endpoints, their volume and mute, the settings store and the sound
# parameter blocks the processing object reads.
#
# usage: scripts/run.sh [STATE_FOLDER]   (default: a new temporary folder)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target oroctl oro-sim oro_ecd_api OroSoundAPO oro-apo-reader
# The control panel is built once the device library offers everything it binds.
panel=0
if cmake --build build --target help | grep -q '^\.\.\. oro_panel$'; then
  cmake --build build -j "$jobs" --target oro_panel
  panel=1
fi

export ORO_PLATFORM=sim
export ORO_ROOT=${1:-$(mktemp -d "${TMPDIR:-/tmp}/orosound-XXXXXX")}
bin=build/bin
step() { printf '\n== %s\n' "$*"; }

step "simulated machine in $ORO_ROOT"
"$bin/oro-sim" create
"$bin/oro-sim" list

step "default endpoints through the device library"
for flow in render capture; do
  printf '%-8s volume %s%%, mute %s\n' "$flow" "$("$bin/oroctl" volume get $flow)" "$("$bin/oroctl" volume mute $flow)"
done

step "what changes reach the endpoints"
"$bin/oroctl" volume set render 35
"$bin/oroctl" volume mute capture 1
"$bin/oro-sim" list

step "sound parameter blocks: equalizer +3 dB at 30 Hz, -2 dB at 1 kHz"
# The section lives while somebody holds it: a stand-in for the running panel
# holds it while the equalizer change is sent and the processing object's
# reader looks at it.
coproc HOLDER { "$bin/oroctl" blocks hold; }
read -r _ <&"${HOLDER[0]}"
"$bin/oroctl" eq set 30=+3 1k=-2
printf 'the processing object reads: '
"$bin/oro-apo-reader" | cut -c1-96
echo '...'
"$bin/oroctl" blocks show | grep -E '^section\.(capacity|block2\.(master_volume|equalizer|bands\[(0|5)\]\.gain_db|coefficients\[0\]))'
exec {HOLDER[1]}>&-
wait "$HOLDER_PID" 2>/dev/null || true

step "settings store: the kit's key"
"$bin/oroctl" reg query 'HKEY_LOCAL_MACHINE\SOFTWARE\OroSoundKit'

printf '\nState kept in %s (registry.db, run/). Try: ORO_PLATFORM=sim ORO_ROOT=%s %s/oroctl --help\n' \
  "$ORO_ROOT" "$ORO_ROOT" "$bin"

if [ $panel -eq 1 ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    step "control panel (ends from its tray menu, or with: oroctl reg add HKLM\\SOFTWARE\\OroSoundKit /v exitCmd /t REG_DWORD /d 1 /f)"
    "$bin/oro_panel"
  else
    step "control panel: no display, so pictures of it instead"
    QT_QPA_PLATFORM=offscreen ORO_PANEL_SCREENSHOTS="$ORO_ROOT/screenshots" "$bin/oro_panel" >/dev/null
    printf 'Screenshots of every page and dialog, in Chinese and English: %s/screenshots\n' "$ORO_ROOT"
  fi
fi
