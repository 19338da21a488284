#!/usr/bin/env bash
# Runs one Windows executable under Wine for ctest and the demo scripts:
# a private prefix inside the build tree (made once, reused), a private Xvfb
# display when none is given, no debug output, no mono/gecko installers.
set -euo pipefail

exe=$1; shift
build_dir=${NUV_WINE_BUILD_DIR:-$(cd "$(dirname "$exe")" && pwd)}
# Walk up to the build tree's root (the folder holding CMakeCache.txt).
while [ "$build_dir" != / ] && [ ! -f "$build_dir/CMakeCache.txt" ]; do build_dir=$(dirname "$build_dir"); done
[ "$build_dir" = / ] && build_dir=$(dirname "$exe")

export WINEPREFIX=${NUV_WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
export WINEARCH=win64

wine_bin=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine_bin=/usr/lib/wine/wine64
[ -n "$wine_bin" ] || { echo "wine-run: wine is not installed" >&2; exit 127; }

# Prefix creation takes a while; two tests starting together must not race.
if [ ! -f "$WINEPREFIX/.nuv-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.nuv-ready" ]; then
      DISPLAY= "$wine_bin" wineboot -i >/dev/null 2>&1 || true
      "$(dirname "$wine_bin")/wineserver" -w 2>/dev/null || true
      touch "$WINEPREFIX/.nuv-ready"
    fi
  ) 9>"$build_dir/.wineprefix.lock"
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$wine_bin" "$exe" "$@"
fi
exec "$wine_bin" "$exe" "$@"
