#!/usr/bin/env bash
# Retakes the wizard page pictures in docs/ under a virtual X server:
#   scripts/wizard-screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target wizard_screenshots
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s '-screen 0 1024x768x24' "$build/tests/wizard/wizard_screenshots" docs
