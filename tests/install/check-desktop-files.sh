#!/usr/bin/env bash
# The desktop entry, the AppStream metadata and the user units pass their own validators
# (each where the tool is installed).
# Usage: check-desktop-files.sh DATA_BUILD_DIR APP_ID
set -euo pipefail
dir=$1 id=$2
desktop-file-validate "$dir/$id.desktop"
appstreamcli validate --no-net "$dir/$id.metainfo.xml"
if command -v systemd-analyze >/dev/null; then
  runtime=$(mktemp -d)
  trap 'rm -rf "$runtime"' EXIT
  XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify --man=no \
    "$dir/sievra-pass.service" "$dir/sievra-pass.timer"
fi
for size in 16 22 24 32 48 64 128 256; do
  file "$dir/icons/$size/$id.png" | grep -q "PNG image data, $size x $size," ||
    { echo "icon $size: $(file "$dir/icons/$size/$id.png")"; exit 1; }
done
