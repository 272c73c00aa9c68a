#!/usr/bin/env bash
# Fails when a tracked C or C++ source is named by no CMakeLists.txt in its
# folder or a folder above it: sources are listed, never globbed, so a file
# nobody listed would silently not be built (or, for a test, never run).
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
while IFS= read -r f; do
  [ -f "$f" ] || continue
  name=$(basename "$f")
  stem="${name%.*}"
  dir=$(dirname "$f")
  found=no
  while :; do
    # By file name; the panel's widget tests are added by program name.
    if [ -f "$dir/CMakeLists.txt" ] &&
      grep -qE -- "(^|[ (/])${name//./\\.}([ )]|\$)|oro_add_gui_test\\($stem\\)" "$dir/CMakeLists.txt"; then
      found=yes
      break
    fi
    [ "$dir" = "." ] && break
    dir=$(dirname "$dir")
  done
  [ "$found" = yes ] || missing+=("$f")
done < <(git ls-files '*.cpp' '*.c')
if [ ${#missing[@]} -gt 0 ]; then
  echo "sources: these files are listed in no CMakeLists.txt (add them where they belong):" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi
echo "sources: every source is listed"
