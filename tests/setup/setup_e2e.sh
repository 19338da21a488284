#!/usr/bin/env bash
# nuvsetup.dll under Wine, driven by the stand-in installer; keeps a picture
# of the dialog in BUILD_DIR/e2e-artifacts/setup/.
#
#   tests/setup/setup_e2e.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
art=$build/e2e-artifacts/setup
mkdir -p "$art"
rm -f "$art/setup_dialog.bmp"
status=0
"$source_dir/scripts/wine-run.sh" "$build/nuv_setup_host.exe" 'Z:'"${art//\//\\}"'\setup_dialog.bmp' || status=$?
if [ -f "$art/setup_dialog.bmp" ]; then
  convert "$art/setup_dialog.bmp" "$art/setup_dialog.png" && rm -f "$art/setup_dialog.bmp"
  echo "picture of the dialog: $art/setup_dialog.png"
else
  echo "no picture of the dialog" >&2
  status=1
fi
exit $status
