#!/usr/bin/env bash
# Installs, builds and runs every test: the normal build, the build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 0700 "$XDG_RUNTIME_DIR"

echo "== normal build"
bash scripts/build.sh build -DSIEVRA_BUILD_TESTS=ON -DSIEVRA_BUILD_BENCH=ON
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Debian package"
bash scripts/package-check.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
bash scripts/build.sh build-asan -DSIEVRA_SANITIZE=ON -DSIEVRA_BUILD_TESTS=ON -DSIEVRA_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz targets (libFuzzer, ${FUZZ_SECONDS:=20} s each)"
CXX=clang++-14 bash scripts/build.sh build-fuzz -DSIEVRA_FUZZ=ON -DSIEVRA_BUILD_GUI=OFF
bash scripts/fuzz.sh build-fuzz "$FUZZ_SECONDS"
echo "== all tests passed"
