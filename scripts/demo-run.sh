#!/usr/bin/env bash
# Runs a pass over the user's own accounts when there are any, else the self-contained demo,
# which writes nothing outside its temporary home. Usage: scripts/demo-run.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$1/bin
product='\Software\Orlent Software\Sievra'

# Opening a store that is not there would create one in the user's home: look for the file.
store=${XDG_CONFIG_HOME:-$HOME/.config}/sievra/settings.db
if [ -f "$store" ] && "$bin/sievra-settings" get "$product" 'LastID' >/dev/null 2>&1 &&
   [ -n "$("$bin/sievra-settings" list "$product" 2>/dev/null | sed -n '2,$p' | grep -m1 '^  \\')" ]; then
  exec "$bin/sievra-pass"
fi
exec /usr/bin/python3 scripts/demo.py "$1"
