#!/usr/bin/env bash
# Installs, builds and runs the main job: one screening pass with sievra-pass. Where no
# account is configured yet, it runs a self-contained demo instead (private POP3 and SMTP
# servers on loopback, a demo mailbox, address book and settings in a temporary home).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DSIEVRA_BUILD_TESTS=OFF -DSIEVRA_BUILD_BENCH=OFF

if build/bin/sievra-settings get '\Software\Orlent Software\Sievra' 'LastID' >/dev/null 2>&1 &&
   [ -n "$(build/bin/sievra-settings list '\Software\Orlent Software\Sievra' 2>/dev/null | sed -n '2,$p' | grep -m1 '^  \\')" ]; then
  exec build/bin/sievra-pass
fi
exec /usr/bin/python3 scripts/demo.py build
