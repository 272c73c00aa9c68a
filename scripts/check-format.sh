#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from .clang-format; lists the files that do.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "format: clang-format is missing" >&2; exit 1; }
drift=()
while IFS= read -r f; do
  [ -f "$f" ] || continue
  clang-format --style=file "$f" | cmp -s - "$f" || drift+=("$f")
done < <(git ls-files '*.cpp' '*.h' '*.c' '*.hpp' 2>/dev/null ||
         find . \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -not -path './build*')
if [ ${#drift[@]} -gt 0 ]; then
  echo "format: these files differ from .clang-format (run: clang-format -i FILE):" >&2
  printf '  %s\n' "${drift[@]}" >&2
  exit 1
fi
echo "format: every source matches .clang-format"
