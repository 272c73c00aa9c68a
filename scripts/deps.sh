#!/usr/bin/env bash
# Installs the Debian packages the kit builds and tests with, when missing.
# As root it runs apt-get; otherwise it prints the exact command to run.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev
  qtbase5-dev qttools5-dev-tools fonts-noto-cjk
  python3 python3-pyftpdlib curl
  libpulse-dev pulseaudio pulseaudio-utils ladspa-sdk
  clang libclang-rt-14-dev clang-format
  dpkg-dev fakeroot file lintian desktop-file-utils man-db strace
  mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 googletest
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "deps: missing Debian packages: ${missing[*]}" >&2
  echo "deps: run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
