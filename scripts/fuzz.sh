#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time each.
# usage: scripts/fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
seconds=${2:-30}
status=0
shopt -s nullglob
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" >"$build/$name.log" 2>&1; then
    echo "fuzz: $name found a fault:" >&2
    tail -n 40 "$build/$name.log" >&2
    status=1
  fi
done
exit $status
