#!/usr/bin/env bash
# The program's main job in one command: builds the native preset when
# needed, then in a temporary folder runs the server simulator (nuvsim, on
# its default 127.0.0.1:10002) and the protocol console (nuvcli, which finds
# it as its built-in default server), sends one call from the simulator,
# answers it from the console, prints both logs and quits both.
# Exits 0 when the call went all the way round.
#
#   scripts/demo.sh            (build folder: build/native, or $NUV_BUILD_DIR)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${NUV_BUILD_DIR:-$ROOT/build/native}

"$ROOT/scripts/install-deps.sh" native

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  (cd "$ROOT" && cmake --preset native -B "$BUILD" >/dev/null)
fi
cmake --build "$BUILD" -j2 --target nuvsim nuvcli >/dev/null

exec bash "$ROOT/tests/cli/cli_sim_e2e.sh" "$BUILD/tools/nuvsim/nuvsim" "$BUILD/tools/nuvcli/nuvcli" \
  --port default --show
