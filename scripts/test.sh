#!/usr/bin/env bash
# The one test command: installs what is missing, builds every configuration
# and runs all tests, natively and under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
for preset in native asan win64 win32; do
  echo "=== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
for preset in native asan win64; do
  echo "=== test: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
