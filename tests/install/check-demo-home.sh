#!/usr/bin/env bash
# The self-contained demo leaves the user's home exactly as it found it.
# Usage: check-demo-home.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out=$(env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME \
  HOME="$home" bash "$1/scripts/demo-run.sh" "$2")
grep -q "RESULTS: 3 waiting. 3 deleted. 0 Error(s)" <<<"$out" || { echo "$out"; exit 1; }
left=$(find "$home" -mindepth 1)
[ -z "$left" ] || { echo "the demo wrote into the home: $left"; exit 1; }
