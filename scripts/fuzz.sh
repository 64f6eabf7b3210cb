#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for SECONDS each: scripts/fuzz.sh DIR SECONDS
# New inputs go to a scratch corpus; the committed corpus under fuzz/corpus only seeds it.
set -euo pipefail
dir=$1
seconds=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in "$dir"/fuzz/fuzz_*; do
  [ -f "$target" ] || continue
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$scratch/$name"
  echo "-- $name"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/" \
    "$scratch/$name" "fuzz/corpus/$name" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
  if ls "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* >/dev/null 2>&1; then
    echo "fuzz target $name found a failing input:" >&2
    ls "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* 2>/dev/null >&2
    exit 1
  fi
done
