#!/usr/bin/env bash
# Runs one Windows executable under Wine for ctest and the demo scripts:
# a prefix inside the build tree (made once, reused; without a display given,
# each run takes a private copy of it and a private Xvfb display), no debug
# output, no mono/gecko installers.
set -euo pipefail

exe=$1; shift
build_dir=${NUV_WINE_BUILD_DIR:-$(cd "$(dirname "$exe")" && pwd)}
# Walk up to the build tree's root (the folder holding CMakeCache.txt).
while [ "$build_dir" != / ] && [ ! -f "$build_dir/CMakeCache.txt" ]; do build_dir=$(dirname "$build_dir"); done
[ "$build_dir" = / ] && build_dir=$(dirname "$exe")

export WINEPREFIX=${NUV_WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${NUV_WINEDEBUG:--all}
# No sound devices on these machines: keep the audio drivers quiet (playing
# from memory still succeeds). Tests add their own overrides, such as a
# stand-in DLL, through NUV_WINEDLLOVERRIDES.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=;winealsa.drv,winepulse.drv=d${NUV_WINEDLLOVERRIDES:+;$NUV_WINEDLLOVERRIDES}"
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
      # Without a window manager Wine stalls about two seconds on every hide
      # or destroy of a managed window; undecorated, Wine draws the captions
      # of dialogs and message boxes itself.
      DISPLAY= "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
      DISPLAY= "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
      # Dialogs in "MS Sans Serif" are laid out with the metrics of that font.
      if [ -d /usr/share/fonts/truetype/wine ] || [ -d /usr/share/wine/fonts ]; then
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        find /usr/share/fonts/truetype/wine /usr/share/wine/fonts -maxdepth 1 -type f \( -name '*.ttf' -o -name '*.fon' \) \
          -exec cp -n {} "$WINEPREFIX/drive_c/windows/Fonts/" \; 2>/dev/null || true
      fi
      "$(dirname "$wine_bin")/wineserver" -w 2>/dev/null || true
      touch "$WINEPREFIX/.nuv-ready"
    fi
  ) 9>"$build_dir/.wineprefix.lock"
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$wine_bin" "$exe" "$@"
fi
# No display given: a private one, and with it a private copy of the prefix,
# so that this program has a Wine server of its own. Programs of one Wine
# server must share one display: X resources of another display are unknown
# to this one, and tests run side by side.
dir=$(mktemp -d "${TMPDIR:-/tmp}/nuv-wine.XXXXXX")
mkfifo "$dir/display"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
number=
read -r -t 30 number <"$dir/display" || true
if [ -z "$number" ]; then
  echo "wine-run: Xvfb did not start" >&2
  cat "$dir/xvfb.log" >&2
  kill "$xvfb" 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
if [ -z "${NUV_WINEPREFIX:-}" ]; then
  # Hard links for the files Wine only reads, copies of the registry, which
  # it rewrites.
  cp -al "$WINEPREFIX" "$dir/prefix" 2>/dev/null || cp -a "$WINEPREFIX" "$dir/prefix"
  rm -f "$dir/prefix/wineserver"
  for reg in "$WINEPREFIX"/*.reg; do cp --remove-destination "$reg" "$dir/prefix/"; done
  export WINEPREFIX=$dir/prefix
fi
server=$(dirname "$wine_bin")/wineserver
cleanup() {
  [ "$WINEPREFIX" = "$dir/prefix" ] && timeout 20 "$server" -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
status=0
DISPLAY=":$number" "$wine_bin" "$exe" "$@" || status=$?
exit $status
