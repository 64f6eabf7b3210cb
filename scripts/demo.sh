#!/usr/bin/env bash
# Installs, builds and runs the main job. With no configured accounts it runs a
# self-contained demo in a temporary home, so the user's own settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DSIEVRA_BUILD_TESTS=OFF -DSIEVRA_BUILD_BENCH=OFF

demo_home=$(mktemp -d)
trap 'rm -rf "$demo_home"' EXIT
export XDG_CONFIG_HOME=$demo_home/config XDG_DATA_HOME=$demo_home/data
tool=build/bin/sievra-settings
"$tool" import demo/demo-store.txt
"$tool" set-password '\Software\Orlent Software\Sievra\00000001' 'POP3 Password' demo-password
echo "Demo settings store ($XDG_CONFIG_HOME/sievra/settings.db):"
"$tool" list '\Software\Orlent Software\Sievra'
