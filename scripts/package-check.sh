#!/usr/bin/env bash
# Builds the Debian package and checks it: lintian finds no error, and, as
# root, it installs with apt-get, its programs work from /usr/bin (a demo on
# a simulated machine, the panel's pictures included), its desktop entry and
# manual pages are valid, and a purge leaves nothing of it behind.
# Usage: scripts/package-check.sh [BUILD_FOLDER]   (default build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."

package=orosound-kit
failures=0
step() { printf '\n== %s\n' "$*"; }
fail() {
  echo "package-check: FAILED: $*" >&2
  failures=$((failures + 1))
}

step "building the package"
deb=$(scripts/package.sh "${1:-build-deb}" | tail -n 1)
echo "$deb"

step "lintian"
# Warnings and notes are shown; only errors fail the check.
if ! lintian --fail-on error --display-info "$deb"; then
  fail "lintian reports errors"
fi

if [ "$(id -u)" -ne 0 ]; then
  echo
  echo "package-check: skipping install, demo and purge: they install the package system-wide, which needs root"
  [ $failures -eq 0 ] || exit 1
  echo "package-check: lintian passed; the rest skipped"
  exit 0
fi
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
  echo "package-check: skipping install, demo and purge: $package is installed on this machine and is not replaced"
  echo "package-check: run 'apt-get purge $package' first to check the package here"
  [ $failures -eq 0 ] || exit 1
  echo "package-check: lintian passed; the rest skipped"
  exit 0
fi

demo_root=$(mktemp -d "${TMPDIR:-/tmp}/orosound-package-XXXXXX")
installed=0
cleanup() {
  if [ $installed -eq 1 ]; then
    ORO_PLATFORM=sim ORO_ROOT=$demo_root /usr/bin/oro-sim hid stop >/dev/null 2>&1 || true
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null 2>&1 || true
  fi
  rm -rf "$demo_root"
}
trap cleanup EXIT

step "apt-get install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=1
files=$(dpkg-query -L "$package")

step "the programs from /usr/bin"
for program in oroctl oro-sim oro_panel oro_raduri; do
  [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not installed"
  if ldd "/usr/bin/$program" | grep -q 'not found'; then
    fail "/usr/bin/$program misses a library: $(ldd "/usr/bin/$program" | grep 'not found')"
  fi
done
/usr/bin/oroctl --help | grep -q '^commands:' || fail "oroctl --help lists no commands"
[ "$(stat -c %a:%U /var/lib/orosound)" = 700:root ] || fail "/var/lib/orosound is $(stat -c %a:%U /var/lib/orosound), not 700:root"

step "a demo on a simulated machine"
# Each step is checked on its own, so a failure names the step.
demo() { (cd "$demo_root" && ORO_PLATFORM=sim ORO_ROOT=$demo_root "$@"); }
demo /usr/bin/oro-sim create || fail "oro-sim create"
demo /usr/bin/oroctl volume set render 35 || fail "oroctl volume set"
[ "$(demo /usr/bin/oroctl volume get render)" = 35 ] || fail "oroctl volume get does not read back 35"
demo /usr/bin/oroctl eq set 30=+3 1k=-2 || fail "oroctl eq set"
demo /usr/bin/oroctl init || fail "oroctl init"
# The installed programs register the processing object from the plugin folder.
demo /usr/bin/oroctl reg query 'HKLM\SOFTWARE\Classes\CLSID' /s | grep -q '/usr/lib/ladspa/OroSoundAPO.so' ||
  fail "the processing object is not registered from /usr/lib/ladspa"
demo /usr/bin/oroctl apo status | grep -q 'installed = true' || fail "oroctl init put the kit's effects on no endpoint"
shots=$demo_root/shots
# The panel draws every page in both languages; each translation must come
# from the data folder, which strace shows it opening.
if demo strace -f -qq -e trace=openat -o "$demo_root/panel.trace" \
  env QT_QPA_PLATFORM=offscreen ORO_PANEL_SCREENSHOTS="$shots" /usr/bin/oro_panel >/dev/null; then
  echo "the panel drew $(ls "$shots" | wc -l) pictures"
  for lang in zh en; do
    grep -Eq "\"/usr/share/orosound/translations/ts_$lang\.qm\", O_RDONLY[^)]*\) = [0-9]" "$demo_root/panel.trace" ||
      fail "the panel did not load /usr/share/orosound/translations/ts_$lang.qm"
  done
else
  fail "oro_panel did not draw its pictures"
fi

step "desktop entry, manual pages, completion"
desktop-file-validate /usr/share/applications/oro_panel.desktop || fail "desktop-file-validate"
for page in $(printf '%s\n' "$files" | grep -E '^/usr/share/man/man[1-8]/.*\.gz$'); do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || true
  [ -z "$warnings" ] || fail "man -l $page: $warnings"
  MANWIDTH=80 man -l "$page" | grep -q '^NAME' || fail "man -l $page renders no NAME section"
done
completed=$(bash -c 'source /usr/share/bash-completion/completions/oroctl
  COMP_WORDS=(oroctl vol); COMP_CWORD=1; _oroctl; echo "${COMPREPLY[*]}"') || true
[ "$completed" = volume ] || fail "bash completion of 'oroctl vol' gave '$completed'"

step "apt-get purge"
ORO_PLATFORM=sim ORO_ROOT=$demo_root /usr/bin/oro-sim hid stop >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null
installed=0
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
  fail "$package is still known to dpkg: $(dpkg-query -W -f='${Status}' "$package")"
fi
[ ! -e "/var/lib/dpkg/info/$package.list" ] || fail "dpkg still keeps the package's file list"
left=0
while IFS= read -r path; do
  [ -n "$path" ] && [ "$path" != /. ] || continue
  # A folder stays while it holds files or another package owns it.
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    if [ -z "$(ls -A "$path")" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
      echo "left empty: $path"
      left=1
    fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    echo "left: $path"
    left=1
  fi
done <<<"$files"
[ ! -e /var/lib/orosound ] || { echo "left: /var/lib/orosound"; left=1; }
[ $left -eq 0 ] || fail "the purge left files of the package behind"

echo
if [ $failures -ne 0 ]; then
  echo "package-check: $failures check(s) failed"
  exit 1
fi
echo "package-check: every check passed"
