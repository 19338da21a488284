#!/usr/bin/env bash
# End to end: the simulator sends a call, the console shows it and answers
# it, the simulator records the PACCEPT. Runs in a fresh temporary folder;
# every wait is bounded.
#
#   cli_sim_e2e.sh NUVSIM NUVCLI [--port N|default] [--show]
#
# --port default: nuvsim on its default address and nuvcli without a stored
# server list, so nuvcli finds it as its built-in default server. Otherwise
# (the default) a free port is chosen and stored in NUV.INI, with the
# hang-up on answer enabled (RAS 1, HANGUP 0).
# --show: print both logs at the end, also on success.
# --start-wait N: seconds allowed for each program to start (10; a Windows
# build under Wine needs more).
# --runner CMD: run both programs through CMD (scripts/wine-run.sh).
set -u

NUVSIM=$(realpath "$1")
NUVCLI=$(realpath "$2")
shift 2
for tool in "$NUVSIM" "$NUVCLI"; do
  [ -x "$tool" ] || { echo "not an executable: $tool" >&2; exit 2; }
done
PORT=random
SHOW=0
START_WAIT=10
RUNNER=()
while [ $# -gt 0 ]; do
  case $1 in
    --port) PORT=$2; shift 2 ;;
    --show) SHOW=1; shift ;;
    --start-wait) START_WAIT=$2; shift 2 ;;
    --runner) RUNNER=("$(realpath "$2")"); shift 2 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/nuvcli-e2e.XXXXXX")
SIM_PID=
CLI_PID=
cleanup() {
  exec 3>&- 4>&- 2>/dev/null
  for pid in $CLI_PID $SIM_PID; do kill "$pid" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK" || exit 1

show_logs() {
  echo "===== nuvsim log ====="
  cat sim.log
  echo "===== nuvcli output ====="
  cat cli.log
  if [ -s cli.err ]; then echo "===== nuvcli messages ====="; cat cli.err; fi
}
fail() {
  echo "FAILED: $*" >&2
  show_logs >&2
  exit 1
}
# wait_for FILE PATTERN SECONDS: until an extended regular expression
# matches a line of FILE (line ends CR LF or LF).
wait_for() {
  local deadline=$((SECONDS + $3))
  while ! tr -d '\r' < "$1" 2>/dev/null | grep -Eq -- "$2"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}
# wait_exit PID SECONDS: the process's exit code, or 124 after the time.
wait_exit() {
  local deadline=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; return 124; fi
    sleep 0.05
  done
  wait "$1"
}

mkfifo sim.in cli.in
: > sim.log
: > cli.log

# The simulator; a random port that happens to be taken is tried again.
for attempt in 1 2 3 4 5; do
  if [ "$PORT" = default ]; then
    LISTEN=()
    PORTNUM=10002
  else
    PORTNUM=$((20000 + RANDOM % 40000))
    LISTEN=(--listen "127.0.0.1:$PORTNUM")
  fi
  "${RUNNER[@]}" "$NUVSIM" "${LISTEN[@]}" < sim.in > sim.log 2>&1 &
  SIM_PID=$!
  exec 3> sim.in
  if wait_for sim.log "MAP server on" "$START_WAIT"; then break; fi
  exec 3>&-
  wait_exit "$SIM_PID" 2 >/dev/null
  SIM_PID=
  [ "$PORT" = default ] && fail "nuvsim could not start on its default port 10002"
done
[ -n "$SIM_PID" ] || fail "nuvsim could not start"

if [ "$PORT" != default ]; then
  printf '[PARAMS]\r\nSERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\nRAS=1\r\nHANGUP=0\r\n' "$PORTNUM" > NUV.INI
fi
"${RUNNER[@]}" "$NUVCLI" --number "(204) 555-3636" --password secret1 < cli.in > cli.log 2> cli.err &
CLI_PID=$!
exec 4> cli.in

TAB=$'\t'
wait_for cli.log "^LOGIN${TAB}1\$" "$START_WAIT" || fail "nuvcli did not log in"
echo "call 42 Alice 2045551212" >&3
wait_for cli.log "^CALL${TAB}full${TAB}[0-9]+${TAB}42:" 5 || fail "nuvcli did not show the call"
SESSION=$(awk -F"$TAB" '$1 == "CALL" { print $3; exit }' cli.log)
echo "answer $SESSION 42" >&4
wait_for cli.log "^SENT${TAB}0\$" 5 || fail "nuvcli did not send the answer"
wait_for sim.log 'IN .* e PACCEPT .*"42:10:2045553636"' 5 || fail "nuvsim did not receive the PACCEPT"
if [ "$PORT" != default ]; then
  # RAS 1, HANGUP 0: the server's SUCCESS drops the connection: LOGOUT.
  wait_for cli.log "^HANGUP\$" 5 || fail "nuvcli did not hang up after the SUCCESS"
  wait_for sim.log 'IN .* b LOGOUT' 5 || fail "nuvsim did not see the LOGOUT"
fi

echo quit >&4
wait_exit "$CLI_PID" 10
CLI_RC=$?
CLI_PID=
echo quit >&3
wait_exit "$SIM_PID" 10
SIM_RC=$?
SIM_PID=
[ $CLI_RC -eq 0 ] || fail "nuvcli exited with $CLI_RC"
[ $SIM_RC -eq 0 ] || fail "nuvsim exited with $SIM_RC"
grep -q '^USERID=(204) 555-3636' NUV.INI || fail "NUV.INI does not hold the number"

[ $SHOW -eq 1 ] && show_logs
echo "end to end: call shown, answered, PACCEPT received"
exit 0
