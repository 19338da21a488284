#!/usr/bin/env bash
# The one test command: installs what is missing, builds every configuration
# and runs all tests, natively and under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
status=0
for preset in native asan win64 win32; do
  echo "=== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  log=build/$preset.build.log
  cmake --build --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  # Warnings are faults: every configuration builds clean.
  if grep -q 'warning:' "$log"; then
    echo "=== $preset: the build has warnings" >&2
    status=1
  fi
done

# The release ZIPs: the 32-bit one is the release, the 64-bit one is what the
# end-to-end test unpacks and starts under Wine.
for preset in win64 win32; do
  echo "=== package: $preset"
  cmake --build --preset "$preset" --target package || status=1
done

echo "=== checks of the 32-bit release build"
scripts/check-win32.sh build/win32 || status=1
scripts/check-reproducible.sh build/win32 || status=1

for preset in native asan win64; do
  echo "=== test: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
