#!/usr/bin/env bash
# Every option a program's --help prints must be described in its manual page.
# Usage: check-man-options.sh PROGRAM_DIR MAN_DIR NAME=PROGRAM...
set -euo pipefail
bin=$1 man=$2
shift 2
failed=0
for pair in "$@"; do
  name=${pair%%=*} program=${pair#*=}
  help=$("$bin/$program" --help)
  page=$(sed 's/\\-/-/g; s/\\f[BIR]//g' "$man/$name.1")
  options=$(grep -oE '(^|[][ |(])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" | sed 's/^[][ |(]//' | sort -u)
  [ -n "$options" ] || { echo "$program --help names no option"; failed=1; }
  for option in $options; do
    if ! grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)" <<<"$page"; then
      echo "$name.1 does not describe $option (printed by $program --help)"
      failed=1
    fi
  done
done
exit $failed
