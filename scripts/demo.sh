#!/usr/bin/env bash
# Installs, builds and runs the main job: one screening pass with sievra-pass. Where no
# account is configured yet, it runs a self-contained demo instead (private POP3 and SMTP
# servers on loopback, a demo mailbox, address book and settings in a temporary home).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DSIEVRA_BUILD_TESTS=OFF -DSIEVRA_BUILD_BENCH=OFF
exec bash scripts/demo-run.sh build
