#!/usr/bin/env bash
# The program's main job in one command: the windowed client logged in to
# the server-cluster simulator, which sends it one call a few seconds later.
#
#   scripts/demo.sh             nuvmain.exe under Wine against nuvsim: on the
#                               user's display, or without one on a private
#                               Xvfb display, saving screen captures
#   scripts/demo.sh --console   the protocol console instead (no Wine): one
#                               call sent, answered and received
#
# Build folders: build/native and build/win64 (or $NUV_BUILD_DIR and
# $NUV_WIN_BUILD_DIR). The client runs in a fresh folder with a demo NUV.INI
# until its window is closed (exit button, or "Close" in its menu); without a
# display the demo takes its captures, closes the client and prints where the
# pictures are.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath -m "${NUV_BUILD_DIR:-$ROOT/build/native}")
WINBUILD=$(realpath -m "${NUV_WIN_BUILD_DIR:-$ROOT/build/win64}")

if [ "${1:-}" = --console ]; then
  "$ROOT/scripts/install-deps.sh" native
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    (cd "$ROOT" && cmake --preset native -B "$BUILD" >/dev/null)
  fi
  cmake --build "$BUILD" -j2 --target nuvsim nuvcli >/dev/null
  exec bash "$ROOT/tests/cli/cli_sim_e2e.sh" "$BUILD/tools/nuvsim/nuvsim" "$BUILD/tools/nuvcli/nuvcli" \
    --port default --show
fi

"$ROOT/scripts/install-deps.sh"
for pair in "native:$BUILD" "win64:$WINBUILD"; do
  preset=${pair%%:*} dir=${pair#*:}
  [ -f "$dir/CMakeCache.txt" ] || (cd "$ROOT" && cmake --preset "$preset" -B "$dir" >/dev/null)
done
cmake --build "$BUILD" -j2 --target nuvsim >/dev/null
cmake --build "$WINBUILD" -j2 --target nuvmain nuv_doubles >/dev/null

WORK=$(mktemp -d /tmp/nuv-demo.XXXXXX)
cd "$WORK"
cat > NUV.INI <<'INI'
[PARAMS]
SERVICE=1
USERID=(204) 555-3636
PASSWORD=secret1
RAS=0
SOUND=1
MINIMIZE=0
INI
# A caller log to step through with the arrows.
python3 "$ROOT/scripts/make-caller-log.py" CALLER.LOG \
  "Alice Example|(204) 555-1212|9:15 AM 3/15/99|Answered" \
  "Bob Sample|(204) 555-2323|10:40 AM 3/15/99|Missed Call" \
  "Carol Test|(204) 555-3434|2:32 PM 3/15/99|Sent to (204) 555-9898"
mkfifo sim.in
"$BUILD/tools/nuvsim/nuvsim" < sim.in > nuvsim.log 2>&1 &
SIM=$!
exec 7> sim.in
cleanup() {
  echo quit >&7 2>/dev/null || true
  exec 7>&- 2>/dev/null || true
  wait "$SIM" 2>/dev/null || true
  [ -n "${XVFB:-}" ] && kill "$XVFB" 2>/dev/null || true
  kill "$CALLER" 2>/dev/null || true
}
trap cleanup EXIT

# One call, a few seconds after the client has logged in.
(
  for _ in $(seq 1 240); do grep -q 'SUCCESS.*(login)' nuvsim.log 2>/dev/null && break; sleep 0.5; done
  sleep 4
  echo 'call 42 "Alice Example" 2045551212' >&7
) &
CALLER=$!

echo "demo folder: $WORK (NUV.INI, CALLER.LOG, nuvsim.log)"
if [ -n "${DISPLAY:-}" ]; then
  echo "a call pops up a few seconds after the login: answer it (or let it ring)"
  NUV_WINE_BUILD_DIR=$WINBUILD "$ROOT/scripts/wine-run.sh" "$WINBUILD/nuvmain.exe" || true
else
  # No display: a private one, pictures of the logged-in client, then quit.
  for n in $(seq 90 120); do [ -e /tmp/.X$n-lock ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  export DISPLAY=":$n"
  NUV_WINE_BUILD_DIR=$WINBUILD "$ROOT/scripts/wine-run.sh" "$WINBUILD/nuvmain.exe" &
  CLIENT=$!
  for _ in $(seq 1 120); do grep -q 'LOGIN' nuvsim.log && break; sleep 0.5; done
  sleep 1
  /usr/bin/import -window root "$WORK/splash.png" 2>/dev/null || true
  sleep 3
  /usr/bin/import -window root "$WORK/logged-in.png" 2>/dev/null || true
  # The call pops up; the demo presses Answer (the button's centre) like a
  # user would, then "Close" from the client's menu logs out and ends it.
  NUV_WINE_BUILD_DIR=$WINBUILD "$ROOT/scripts/wine-run.sh" "$WINBUILD/nuvdrive.exe" >drive.log 2>&1 <<'DRIVE' || true
waitvisible PopupClass "*Calling" 30000
sleep 1500
capture popup.bmp
DRIVE
  # Answer is at (38,159) of the pop-up, whose corner the wait reported.
  rect=$(grep -m1 '^ok 0x' drive.log | awk '{print $3, $4}')
  if [ -n "$rect" ]; then
    set -- $rect
    printf 'click %d %d\nwaitgone PopupClass "*Calling" 10000\nsleep 1500\npost NUV "NUV: Monitoring*" WM_COMMAND 6005\nquit\n' \
      $(($1 + 38)) $(($2 + 159)) |
      NUV_WINE_BUILD_DIR=$WINBUILD "$ROOT/scripts/wine-run.sh" "$WINBUILD/nuvdrive.exe" >>drive.log 2>&1 || true
  fi
  wait "$CLIENT" 2>/dev/null || true
  [ -f popup.bmp ] && /usr/bin/convert popup.bmp "$WORK/popup.png" && rm -f popup.bmp
  echo "screen captures: $WORK/splash.png $WORK/logged-in.png $WORK/popup.png"
fi
echo "--- nuvsim"
cat nuvsim.log
