#!/usr/bin/env bash
# Retakes the pictures of the main window in docs/ under a virtual X server:
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -f "$dir/CMakeCache.txt" ] || bash scripts/build.sh "$dir" -DSIEVRA_BUILD_TESTS=ON
cmake --build "$dir" --target sievra_screenshots
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 0700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
xvfb-run -a -s '-screen 0 1024x768x24' "$dir/tests/app/sievra_screenshots" docs
# The same window on a dark colour scheme, and at twice the scale on a larger screen.
xvfb-run -a -s '-screen 0 1024x768x24' "$dir/tests/app/sievra_screenshots" docs dark
QT_SCALE_FACTOR=2 xvfb-run -a -s '-screen 0 2048x1536x24' \
  "$dir/tests/app/sievra_screenshots" docs scale2
