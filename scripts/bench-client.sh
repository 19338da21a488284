#!/usr/bin/env bash
# Figures of the windowed client under Wine, each beside its yardstick in the
# same run (a benchmark, not a test: it prints figures and judges nothing).
#
#   scripts/bench-client.sh [SECONDS]     idle measurement length (default 60)
#
#   start   launch of nuvmain.exe to its LOGIN at the simulator, with the
#           Wine server already running (five starts; the first network
#           check, one second after start, is part of it)
#   idle    CPU time of all Wine processes of the run (the simulator left
#           out) over SECONDS with the client logged in and idle, against a
#           minimal windowed program with a one-second timer
#   size    the stripped 32-bit nuvmain.exe
#
# Build folders: build/win64 and build/win32 (or NUV_WIN_BUILD_DIR and
# NUV_WIN32_BUILD_DIR).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SECONDS_IDLE=${1:-60}
WINBUILD=$(realpath -m "${NUV_WIN_BUILD_DIR:-$ROOT/build/win64}")
WIN32BUILD=$(realpath -m "${NUV_WIN32_BUILD_DIR:-$ROOT/build/win32}")

for pair in "win64:$WINBUILD" "win32:$WIN32BUILD"; do
  preset=${pair%%:*} dir=${pair#*:}
  [ -f "$dir/CMakeCache.txt" ] || (cd "$ROOT" && cmake --preset "$preset" -B "$dir" >/dev/null)
done
cmake --build "$WINBUILD" -j2 --target nuvmain nuv_doubles nuvsim nuv_idle_ref >/dev/null || exit 1
cmake --build "$WIN32BUILD" -j2 --target nuvmain >/dev/null || exit 1

. "$ROOT/tests/doubles/e2e_lib.sh"
e2e_begin "$WINBUILD"
field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }

e2e_sim
printf '[PARAMS]\r\nSERVICE=1\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nRAS=0\r\nSERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' \
  "$E2E_SIM_PORT" >NUV.INI
logins() { tr -d '\r' <sim.out | grep -c ' a LOGIN '; }
e2e_driver

close_client() {
  drive_ok post NUV "NUV: Monitoring*" WM_COMMAND 6005
  e2e_wait_exit "$1" 30 >/dev/null || e2e_fail "client did not close"
}

# --- start ---------------------------------------------------------------
starts=()
for i in 1 2 3 4 5; do
  before=$(logins)
  t0=$(date +%s%N)
  e2e_start "client$i" nuvmain.exe
  until [ "$(logins)" -gt "$before" ]; do
    [ $(( ($(date +%s%N) - t0) / 1000000000 )) -ge 60 ] && e2e_fail "no LOGIN"
    sleep 0.005
  done
  t1=$(date +%s%N)
  starts+=($(( (t1 - t0) / 1000000 )))
  drive_ok waitvisible NUV "NUV: Monitoring*" 20000
  close_client "client$i"
done
sorted=$(printf '%s\n' "${starts[@]}" | sort -n | paste -sd' ')
median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)

# --- idle ----------------------------------------------------------------
# CPU clock ticks of this run's Wine processes: e2e_cpu_ticks (e2e_lib.sh).
cpu_ticks() { e2e_cpu_ticks; }
hz=$(getconf CLK_TCK)
measure() {
  local a b
  a=$(cpu_ticks)
  sleep "$SECONDS_IDLE"
  b=$(cpu_ticks)
  echo $(( (b - a) * 1000 / hz ))
}

e2e_start idleclient nuvmain.exe
e2e_wait_file sim.out "h SUCCESS .*\(login\)" 60 || e2e_fail "no login"
drive_ok waitvisible NUV "NUV: Monitoring*" 20000
drive_ok sleep 3000
# Logged in, no call yet: the lamp blinks green.
blinking_ms=$(measure)
# One call, then quiet: the lamp is steady green.
sim 'call 1 "Bench Caller" 2045551212'
e2e_wait_file sim.out " p VALID .*\"\"$" 10 || true
drive_ok sleep 25000
steady_ms=$(measure)
close_client idleclient

e2e_start reference nuv_idle_ref.exe
drive_ok waitvisible NuvIdleRef "*" 30000
drive_ok sleep 3000
ref_ms=$(measure)

# --- size ----------------------------------------------------------------
stripped=$(mktemp)
i686-w64-mingw32-strip -o "$stripped" "$WIN32BUILD/nuvmain.exe"
size=$(stat -c %s "$stripped")
rm -f "$stripped"

echo
echo "start to LOGIN (ms, 5 starts): $sorted; median $median (goal: under 1500)"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo "idle CPU over ${SECONDS_IDLE} s: reference $ref_ms ms;" \
  "client logged in, lamp blinking $blinking_ms ms (ratio $(ratio "$blinking_ms" "$ref_ms"))," \
  "lamp steady after a call $steady_ms ms (ratio $(ratio "$steady_ms" "$ref_ms")) (goal: at most 1.1)"
echo "stripped 32-bit nuvmain.exe: $size bytes (goal: under 1048576)"
