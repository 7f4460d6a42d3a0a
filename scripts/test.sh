#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; then the
# same suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
# then the Windows build and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j2)
if [ "${BELVARIUM_SKIP_SANITIZERS:-0}" != 1 ]; then
  bash scripts/build.sh build-san -DBELVARIUM_SANITIZE=ON
  (cd build-san && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
fi
if [ "${BELVARIUM_SKIP_WINDOWS:-0}" != 1 ]; then
  bash scripts/test-windows.sh
fi
