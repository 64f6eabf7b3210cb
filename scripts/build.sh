#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh DIR [cmake options...]
set -euo pipefail
dir=$1
shift
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
cmake --build "$dir" -j "$(nproc)"
