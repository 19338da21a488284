#!/usr/bin/env bash
# Runs a command inside a private Xvfb display and Wine prefix (those of the
# windowed end-to-end tests), with the work folder as its current folder and
# in E2E_WORK; everything Wine started is ended afterwards.
#
#   wine_env.sh BUILD_DIR COMMAND [ARGS...]
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
shift
export E2E_WORK NUV_WINEPREFIX DISPLAY
"$@"
rc=$?
[ $rc -ne 0 ] && E2E_KEEP=1
exit $rc
