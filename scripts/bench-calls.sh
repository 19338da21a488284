#!/usr/bin/env bash
# Figures of incoming calls in the windowed client under Wine, each beside
# its yardstick in the same run (a benchmark, not a test: it prints figures
# and judges nothing).
#
#   scripts/bench-calls.sh [CALLS] [LIVES]
#
#   call to pop-up   from the simulator sending PINCOMING to the pop-up
#                    window being visible, over CALLS calls (default 50);
#                    both ends on the wall clock (nuvsim --clock epoch,
#                    nuvdrive stampvisible); each pop-up is closed by the
#                    simulator's PDISCONNECT and waited for before the next
#   colour cycle     CPU time of all Wine processes of the run (the
#                    simulator left out) per second while one pop-up is
#                    open, over its whole life until it closes itself as a
#                    missed call, LIVES times (default 3), against
#                    nuv_cycle_ref.exe (a 20 ms timer drawing the two caller
#                    texts in a window of the pop-up's size) over as long;
#                    also with the ring off (SOUND=0), which tells the
#                    cycle's share from the ring's, and the client's cost
#                    without a pop-up
#
# NUV_BENCH_POPUP picks the pop-up: "full" (default, SERVICE 1, class
# PopupClass) or "basic" (SERVICE 0, class BasicPopupClass).
# Build folder: build/win64 (or NUV_WIN_BUILD_DIR).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CALLS=${1:-50}
LIVES=${2:-3}
WINBUILD=$(realpath -m "${NUV_WIN_BUILD_DIR:-$ROOT/build/win64}")
case ${NUV_BENCH_POPUP:-full} in
  basic) SERVICE=0 POPUP=BasicPopupClass ;;
  *) SERVICE=1 POPUP=PopupClass ;;
esac

[ -f "$WINBUILD/CMakeCache.txt" ] || (cd "$ROOT" && cmake --preset win64 -B "$WINBUILD" >/dev/null)
cmake --build "$WINBUILD" -j2 --target nuvmain nuv_doubles nuvsim nuv_cycle_ref >/dev/null || exit 1

. "$ROOT/tests/doubles/e2e_lib.sh"
e2e_begin "$WINBUILD"

e2e_sim --clock epoch
sim "service $SERVICE"
e2e_driver

# client_up NAME SOUND: the client started with the ring on (1) or off (0),
# logged in, its splash screen and first network checks over.
client_up() {
  printf '[PARAMS]\r\nSERVICE=%s\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nRAS=0\r\nSOUND=%s\r\nSERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' \
    "$SERVICE" "$2" "$E2E_SIM_PORT" >NUV.INI
  local before deadline=$((SECONDS + 60))
  before=$(sim_count ' h SUCCESS .*\(login\)')
  e2e_start "$1" nuvmain.exe
  until [ "$(sim_count ' h SUCCESS .*\(login\)')" -gt "$before" ]; do
    [ $SECONDS -ge $deadline ] && e2e_fail "no login"
    sleep 0.05
  done
  drive_ok waitvisible NUV "NUV: Monitoring*" 20000
  drive_ok sleep 3000
}
client_down() {
  drive_ok post NUV "NUV: Monitoring*" WM_COMMAND 6005
  e2e_wait_exit "$1" 30 >/dev/null || e2e_fail "client did not close"
}

# stamp_popup_after COMMAND...: runs COMMAND with nuvdrive already watching
# for a pop-up, so the time it reports is when the pop-up appeared, not when
# the driver was asked. Sets E2E_REPLY.
stamp_popup_after() {
  local class=$1
  shift
  printf 'stampvisible %s * 10000\n' "$class" >&"${E2E_DRIVE[1]}"
  "$@"
  E2E_REPLY=
  IFS= read -r -t $((E2E_DRIVE_TIMEOUT + 10)) E2E_REPLY <&"${E2E_DRIVE[0]}" || E2E_REPLY="err no answer"
  E2E_REPLY=${E2E_REPLY%$'\r'}
  echo "drive< $E2E_REPLY" >&2
  [[ $E2E_REPLY == ok* ]]
}
word() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }

# sent_ms CALLID: wall-clock time of the first PINCOMING for the call.
sent_ms() {
  tr -d '\r' <sim.out | awk -v id="\"$1:" '
    / j PINCOMING / && index($0, id) && !/\(resend\)/ { split($1, t, "."); print t[1] t[2]; exit }'
}
wait_sent() {
  local deadline=$((SECONDS + 10)) t
  while [ -z "$(sent_ms "$1")" ]; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.01
  done
}

client_up client 1

# --- call to pop-up ------------------------------------------------------
latencies=()
already=0
for ((n = 1; n <= CALLS; n++)); do
  id=$((1000 + n))
  stamp_popup_after "$POPUP" sim "call $id \"Bench Caller\" 2045551212" || e2e_fail "no pop-up for call $id"
  shown=$(word 1) hwnd=$(word 2)
  wait_sent "$id" || e2e_fail "no PINCOMING for call $id in sim.out"
  if [ "$(word 7)" = already ]; then
    already=$((already + 1))
  else
    latencies+=($((shown - $(sent_ms "$id"))))
  fi
  sim "disconnect $id"
  drive_ok waitgone "$hwnd" 10000
done

# --- colour cycle ----------------------------------------------------------
# CPU clock ticks of this run's Wine processes: e2e_cpu_ticks (e2e_lib.sh).
cpu_ticks() { e2e_cpu_ticks; }
hz=$(getconf CLK_TCK)
now_ms() { date +%s%3N; }

# life CLASS COMMAND...: opens a window with COMMAND and measures from its
# appearance to its end; LIFE is "<cpu ms> <wall ms>". (Not in a subshell:
# the driver's pipes and the started programs belong to this shell.)
life() {
  local class=$1 a b t0 t1
  shift
  stamp_popup_after "$class" "$@" || e2e_fail "no $class window"
  local hwnd
  hwnd=$(word 2)
  a=$(cpu_ticks)
  t0=$(now_ms)
  drive_ok waitgone "$hwnd" 60000
  b=$(cpu_ticks)
  t1=$(now_ms)
  LIFE="$(((b - a) * 1000 / hz)) $((t1 - t0))"
}

# popup_lives FIRST_ID: LIVES calls one after another, each left to be missed.
popup_lives() {
  local n
  LIVES_DONE=()
  for ((n = 1; n <= LIVES; n++)); do
    life "$POPUP" sim "call $(($1 + n)) \"Bench Caller\" 2045551212"
    LIVES_DONE+=("$LIFE")
    # Back to idle before the next call.
    drive_ok sleep 2000
  done
}
# The client's own cost without a pop-up, measured the same way (the driver
# polling a window that stays).
drive_ok rect NUV "NUV: Monitoring*"
main=$(word 1)
a=$(cpu_ticks) t0=$(now_ms)
drive waitgone "$main" 20000
b=$(cpu_ticks) t1=$(now_ms)
idle_lives=("$(((b - a) * 1000 / hz)) $((t1 - t0))")
popup_lives 5000
client_lives=("${LIVES_DONE[@]}")
client_down client
# The same without the ring, to tell the cycle's share from the sound's.
client_up quiet 0
popup_lives 6000
quiet_lives=("${LIVES_DONE[@]}")
client_down quiet

ref_lives=()
for ((n = 1; n <= LIVES; n++)); do
  life NuvCycleRef e2e_start "ref$n" nuv_cycle_ref.exe 20000
  ref_lives+=("$LIFE")
  e2e_wait_exit "ref$n" 30 >/dev/null || e2e_fail "reference did not end"
done

# --- figures -------------------------------------------------------------
stats() {
  printf '%s\n' "$@" | sort -n | awk '
    NF { v[++n] = $1 }
    END {
      if (n == 0) { printf "no samples"; exit }
      p95 = v[int((n * 95 + 99) / 100)]
      med = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "median %s, 95th percentile %s, worst %s (best %s)", med, p95, v[n], v[1]
    }'
}
# rate LIFE...: CPU ms per second over all lives; and the single lives.
rate() { printf '%s\n' "$@" | awk 'NF { c += $1; w += $2 } END { if (w > 0) printf "%.1f", c * 1000 / w; else print "n/a" }'; }
each() { printf '%s\n' "$@" | awk 'NF { printf "%s%d ms in %.1f s", (NR > 1 ? ", " : ""), $1, $2 / 1000 }'; }
client_rate=$(rate "${client_lives[@]}")
quiet_rate=$(rate "${quiet_lives[@]}")
idle_rate=$(rate "${idle_lives[@]}")
ref_rate=$(rate "${ref_lives[@]}")

echo
echo "call to pop-up ($POPUP, ms, ${#latencies[@]} calls): $(stats "${latencies[@]}") (goal: 95th percentile under 50)"
[ "$already" -gt 0 ] && echo "  $already calls left out: the pop-up was visible before the driver first looked"
echo "  all: $(printf '%s\n' "${latencies[@]}" | sort -n | paste -sd' ')"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo "colour cycle CPU (ms per second, all Wine processes but the simulator): reference $ref_rate;" \
  "one pop-up open $client_rate (ratio $(ratio "$client_rate" "$ref_rate")), the same with the ring off" \
  "$quiet_rate (ratio $(ratio "$quiet_rate" "$ref_rate")) (goal: at most 1.1)"
echo "  the client logged in without a pop-up: $idle_rate"
echo "  pop-up lives: $(each "${client_lives[@]}")"
echo "  pop-up lives, ring off: $(each "${quiet_lives[@]}")"
echo "  reference lives: $(each "${ref_lives[@]}")"
