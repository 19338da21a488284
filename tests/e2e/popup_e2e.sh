#!/usr/bin/env bash
# The incoming-call pop-ups end to end under Wine: the real nuvmain.exe
# against the server simulator on the loopback, each decision made through
# the pop-up's buttons with real mouse input and observed at the simulator,
# in CALLER.LOG, on the screen, at the remote-access stand-in and at the fake
# AOL client. One client run per group of settings.
#
#   popup_e2e.sh BUILD_DIR
#
# Screen captures go to BUILD_DIR/e2e-artifacts/popup/.
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
ART=$E2E_BUILD/e2e-artifacts/popup
rm -rf "$ART" && mkdir -p "$ART"

field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }
shot() { e2e_capture "$ART/$1.png" "${@:2}" || e2e_fail "capture $1"; }
export NUV_WINEDLLOVERRIDES=rasapi32=n,b
# Wine traces each play of a sound with its time: the ring is seen without
# a sound device and without a hook in the program.
export NUV_WINEDEBUG=-all,+timestamp,trace+winmm

e2e_sim
e2e_driver

# The actions of CALLER.LOG, oldest first, one per line.
log_actions() {
  python3 - <<'PY'
import struct
d = open('CALLER.LOG', 'rb').read()
n = struct.unpack('<i', d[1:5])[0]
for i in range(max(0, min(n, 80))):
    r = d[9 + 130 * i: 9 + 130 * (i + 1)]
    print(r[80:130].split(b'\0')[0].decode('latin-1'))
PY
}
last_action() { log_actions | tail -n 1; }
expect_action() {
  local got
  got=$(last_action)
  [ "$got" = "$1" ] || e2e_fail "last logged action: '$got', expected '$1'"
}
count() { sim_count "$1"; }
# decisions: what the client sent about the current call.
decisions() { count "IN .* (e PACCEPT|d PACKN|c PIGNORE|r PACKN2) .*\"$CALL_ID[:\"]"; }
# --- A client run per group of settings -----------------------------------
RUN=0
start_client() {
  RUN=$((RUN + 1))
  {
    printf '[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\n'
    printf '%s\r\n' "$@"
    printf 'SERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' "$E2E_SIM_PORT"
  } >NUV.INI
  rm -f CALLER.LOG
  local logins
  logins=$(count 'h SUCCESS .*\(login\)')
  e2e_start "client$RUN" nuvmain.exe
  sim_wait_count 'h SUCCESS .*\(login\)' $((logins + 1)) "$E2E_START_WAIT"
  drive_ok waitvisible NUV "NUV: Monitoring*" 20000
  drive_ok rect NUV "NUV: Monitoring*"
  MX=$(field 2) MY=$(field 3)
}
stop_client() {
  drive_ok post NUV "NUV: Monitoring*" WM_COMMAND 6005
  e2e_wait_exit "client$RUN" 30 || e2e_fail "client did not end"
}

CALL_ID=100
# call NAME DIGITS: the simulator sends a call; waits for its pop-up (class
# CLASS, default PopupClass) and leaves its origin in PX, PY.
call() {
  CALL_ID=$((CALL_ID + 1))
  sim "call $CALL_ID \"$1\" $2"
  drive_ok waitvisible "${CLASS:-PopupClass}" "*Calling" 10000
  drive_ok rect "${CLASS:-PopupClass}" "*Calling"
  PX=$(field 2) PY=$(field 3)
}
# press X Y: a click on the pop-up at client point (X, Y), then the pause
# that two clicks on one spot need.
press() {
  drive_ok click $((PX + $1)) $((PY + $2))
  drive_ok sleep 650
}
popup_gone() { drive_ok waitgone "${CLASS:-PopupClass}" "*Calling" 10000; }
ANSWER="38 159" TRANSFER="101 159" ACK="164 159" IGNORE="227 159"
bar() { echo "130 $((215 + 29 * ($1 - 1)))"; }

# =====================================================================
# Run 1: no dial-up control, one transfer number.
start_client SERVICE=1 RAS=0 NUMBER1=2045550001 NAME1=Office
drive_ok foreground
before_fg=$E2E_REPLY

# --- The pop-up: caption, on top, the keyboard stays where it was ----------
e2e_start user aolfake.exe --caption "Notes" --edit --at 40 40 --log user.log
drive_ok waitvisible "AOL Frame25" "Notes" $((E2E_START_WAIT * 1000))
# The user works in it: its edit field has the keyboard.
for attempt in 1 2 3; do
  drive_ok activate "AOL Frame25" "Notes"
  drive_ok clickid "AOL Frame25" "Notes" 100
  drive waitfocus "AOL Frame25" "Notes" 100 3000 && break
done
[[ $E2E_REPLY == ok* ]] || e2e_fail "the user's program never got the keyboard"
call "Alice Example" 2045551212
drive_ok list PopupClass "(204) 555-1212 Calling"
[ "$(field 1)" = 1 ] || e2e_fail "pop-up caption: $E2E_REPLY"
drive_ok foreground
[[ $E2E_REPLY == *'"Notes"'* ]] || e2e_fail "the pop-up took the foreground: $E2E_REPLY"
drive_ok type "still mine"
drive_ok waittext "AOL Frame25" "Notes" 100 "still mine" 5000
# On top of the main window where the two overlap: the Answer button shows.
drive_ok pixel $((PX + 20)) $((PY + 160))
shot popup
# The caller's name pulses between two greens.
for i in 1 2 3 4 5; do shot "pulse$i" $((PX + 28)) $((PY + 48)) 185 36; drive_ok sleep 70; done
distinct=$(for i in 1 2 3 4 5; do convert "$ART/pulse$i.png" -format '%#\n' info:; done | sort -u | wc -l)
[ "$distinct" -ge 2 ] || e2e_fail "the caller's name does not pulse"
kill "$E2E_PID_user" 2>/dev/null

# --- Answer (no dial-up control): PACCEPT with the own number, delay 10 -------
press $ANSWER
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045553636\"" 1 10
expect_action "Answered"

# --- Transfer with one number: sent at once, no bars ----------------------
call "Bob Sample" 2045552323
press $TRANSFER
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045550001\"" 1 10
expect_action "Sent to 2045550001"

# --- Acknowledge and Ignore ------------------------------------------------
call "Carol Test" 2045553434
press $ACK
popup_gone
sim_wait_count "d PACKN .*\"$CALL_ID" 1 10
expect_action "Acknowledged"
call "Dave Demo" 2045554545
press $IGNORE
popup_gone
sim_wait_count "c PIGNORE .*\"$CALL_ID" 1 10
expect_action "Ignored"

# --- Pressing Answer and releasing elsewhere sends nothing -----------------
call "Erin Early" 2045555656
drive_ok press $((PX + 38)) $((PY + 159))
drive_ok move $((PX + 227)) $((PY + 159))
drive_ok release $((PX + 227)) $((PY + 159))
drive_ok sleep 650
drive_ok waitvisible PopupClass "*Calling" 1000
[ "$(decisions)" = 0 ] || e2e_fail "a release off the button sent a decision"

# --- The server reports the call ended: "Disconnected" ---------------------
sim "disconnect $CALL_ID"
popup_gone
expect_action "Disconnected"

# --- One call nobody answers: the ring on the first tick, then every third;
# twenty seconds later "Missed Call" and the main window comes forward -------
drive_ok post NUV "NUV: Monitoring*" WM_COMMAND 6005 >/dev/null 2>&1 || true
e2e_wait_exit "client$RUN" 30 || e2e_fail "client did not end"
start_client SERVICE=1 RAS=0 NUMBER1=2045550001
plays_before=$(grep -c 'trace:winmm:MULTIMEDIA_PlaySound .*fdwSound=00000007' "client$RUN.err")
call "Ring Alone" 2045552424
drive_ok waitgone PopupClass "*Calling" 30000
expect_action "Missed Call"
drive_ok waitvisible NUV "NUV: Monitoring*" 5000
ring_times=$(grep 'trace:winmm:MULTIMEDIA_PlaySound .*fdwSound=00000007' "client$RUN.err" |
  tail -n +$((plays_before + 1)) | cut -d: -f1)
python3 - "$ring_times" <<'PY' || e2e_fail "ring times: $ring_times"
import sys
t = [float(x) for x in sys.argv[1].split()]
gaps = [b - a for a, b in zip(t, t[1:])]
# Ticks 1, 4, 7, ... 19 of the twenty: seven rings three seconds apart.
ok = len(t) == 7 and all(2.6 < g < 3.4 for g in gaps)
print('rings', len(t), 'gaps', ' '.join('%.2f' % g for g in gaps), file=sys.stderr)
sys.exit(0 if ok else 1)
PY

# --- Three calls cascade; a fourth is dropped; twenty seconds miss them ----
entries=$(log_actions | wc -l)
call "First Caller" 2045550101; X0=$PX Y0=$PY
call "Second Caller" 2045550202
sim "call 901 \"Third Caller\" 2045550303"
deadline=$((SECONDS + 10))
until drive list PopupClass "*Calling" && [ "$(field 1)" = 3 ]; do
  [ $SECONDS -ge $deadline ] && e2e_fail "three pop-ups: $E2E_REPLY"
  sleep 0.1
done
sim "call 902 \"Fourth Caller\" 2045550404"
sim_wait_count 'j PINCOMING .*"902:' 1 10
drive_ok sleep 1500
drive_ok list PopupClass "*Calling"
[ "$(field 1)" = 3 ] || e2e_fail "a fourth pop-up opened: $E2E_REPLY"
positions=$(awk 'BEGIN { RS = " [|] " } NR > 1 { print $2, $3 }' <<<"$E2E_REPLY" | sort -n)
shot three-popups
expected=$(printf '%s %s\n%s %s\n%s %s\n' "$X0" "$Y0" $((X0 + 20)) $((Y0 + 20)) $((X0 + 40)) $((Y0 + 40)))
[ "$positions" = "$expected" ] || e2e_fail "pop-ups not 20 pixels apart: $positions"
# Nobody decides: all three are missed within about twenty seconds.
drive_ok waitgone PopupClass "*Calling" 30000
[ "$(log_actions | wc -l)" = $((entries + 3)) ] || e2e_fail "not three entries for three missed calls"
[ "$(log_actions | tail -n 3 | sort -u)" = "Missed Call" ] || e2e_fail "missed calls: $(log_actions | tail -n 3)"
drive_ok waitvisible NUV "NUV: Monitoring*" 5000
shot after-missed
stop_client

# =====================================================================
# Run 2: remote access, ask before hanging up, three transfer numbers.
e2e_ras "connected Dialup"
start_client SERVICE=1 RAS=1 HANGUP=1 USEAOL=0 NUMBER1=2045550001 NAME1=Office NUMBER2=2045550002 NUMBER3=2045550003

# --- Answer: the question first; No sends nothing ----------------------------
call "Fay Forward" 2045556767
press $ANSWER
drive_ok waitvisible "#32770" "Confirm Disconnect" 10000
drive_ok children "#32770" "Confirm Disconnect"
[[ $E2E_REPLY == *'Disconnect from the Internet?'* ]] || e2e_fail "question: $E2E_REPLY"
shot confirm-disconnect
drive_ok clickid "#32770" "Confirm Disconnect" 7
drive_ok waitgone "#32770" "Confirm Disconnect" 5000
drive_ok sleep 500
[ "$(decisions)" = 0 ] || e2e_fail "No sent the answer"
drive_ok waitvisible PopupClass "*Calling" 1000
# Yes: PACCEPT; the server's SUCCESS hangs up the connection.
press $ANSWER
drive_ok waitvisible "#32770" "Confirm Disconnect" 10000
drive_ok clickid "#32770" "Confirm Disconnect" 6
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045553636\"" 1 10
expect_action "Answered"
e2e_wait_file ras-standin.log "hangup Dialup" 10 || e2e_fail "the connection was not hung up"
e2e_ras "connected Dialup"
logins=$(count 'h SUCCESS .*\(login\)')
sim_wait_count 'h SUCCESS .*\(login\)' $((logins + 1)) 30

# --- Transfer with three numbers: the drop-down, bar 2 ----------------------
call "Gus Going" 2045557878
press $TRANSFER
drive_ok rect PopupClass "*Calling"
[ $(( $(field 5) - $(field 3) )) = $((216 + 29 * 3)) ] || e2e_fail "drop-down height: $E2E_REPLY"
shot dropdown-3
press $(bar 2)
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045550002\"" 1 10
expect_action "Sent to 2045550002"

# --- A decision after the session is gone: session lost, "Missed Call" ------
call "Hal Lost" 2045558989
logouts=$(count ' b LOGOUT ')
e2e_ras none
sim_wait_count ' b LOGOUT ' $((logouts + 1)) 20
press $IGNORE
drive_ok waitvisible "#32770" "NUV: Session Lost" 10000
shot session-lost
drive_ok clickid "#32770" "NUV: Session Lost" 1
drive_ok waitgone "#32770" "NUV: Session Lost" 5000
expect_action "Missed Call"
drive_ok waitvisible PopupClass "*Calling" 1000
[ "$(count "c PIGNORE .*\"$CALL_ID")" = 0 ] || e2e_fail "an Ignore went out on a lost session"
# Logged out, the pop-up runs out its count-down.
drive_ok waitgone PopupClass "*Calling" 30000
stop_client

# =====================================================================
# Run 3: the AOL client, no question, AOLTIMER 25, four numbers.
e2e_start aol aolfake.exe --caption "AOL Canada" --log aol.log --at 600 500
drive_ok waitvisible "AOL Frame25" "AOL Canada" $((E2E_START_WAIT * 1000))
start_client SERVICE=2 RAS=1 HANGUP=0 USEAOL=1 AOLTIMER=25 NUMBER1=2045550001 NUMBER2=2045550002 NUMBER3=2045550003 NUMBER4=2045550004

call "Ida Four" 2045551313
press $TRANSFER
drive_ok rect PopupClass "*Calling"
[ $(( $(field 5) - $(field 3) )) = $((216 + 29 * 4)) ] || e2e_fail "drop-down height: $E2E_REPLY"
shot dropdown-4
press $(bar 4)
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045550004\"" 1 10
expect_action "Sent to 2045550004"

call "Jo Answer" 2045551414
press $ANSWER
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:25:2045553636\"" 1 10
expect_action "Answered"
# The server's SUCCESS closes the AOL client through its exit confirmation.
e2e_wait_exit aol 20 || e2e_fail "the AOL client was not closed"
grep -q 'WM_LBUTTONUP 10' aol.log || e2e_fail "the exit confirmation was not pressed: $(cat aol.log)"
stop_client

# =====================================================================
# Run 4: two transfer numbers.
start_client SERVICE=1 RAS=0 NUMBER1=2045550001 NUMBER2=2045550002
call "Kim Two" 2045551515
press $TRANSFER
drive_ok rect PopupClass "*Calling"
[ $(( $(field 5) - $(field 3) )) = $((216 + 29 * 2)) ] || e2e_fail "drop-down height: $E2E_REPLY"
shot dropdown-2
press $(bar 1)
popup_gone
sim_wait_count "e PACCEPT .*\"$CALL_ID:10:2045550001\"" 1 10
stop_client

# =====================================================================
# Run 5: no transfer number, then the basic pop-up (service type 3).
start_client SERVICE=1 RAS=0
call "Lee None" 2045551616
shot transfer-greyed
press $TRANSFER
drive_ok rect PopupClass "*Calling"
[ $(( $(field 5) - $(field 3) )) = 187 ] || e2e_fail "Transfer without numbers did something: $E2E_REPLY"
[ "$(decisions)" = 0 ] || e2e_fail "Transfer without numbers sent"
press $IGNORE
popup_gone
stop_client

sim "service 3"
start_client SERVICE=3 RAS=0
CLASS=BasicPopupClass
TOP="130 163" MIDDLE="130 192" BOTTOM="130 221"
call "Max Basic" 2045551717
drive_ok rect BasicPopupClass "*Calling"
[ $(( $(field 5) - $(field 3) )) = 251 ] || e2e_fail "basic pop-up height: $E2E_REPLY"
shot basic-popup
press $MIDDLE
popup_gone
sim_wait_count "r PACKN2 .*\"$CALL_ID\"" 1 10
expect_action "Will call back"
call "Ned Basic" 2045551818
press $TOP
popup_gone
sim_wait_count "d PACKN .*\"$CALL_ID" 1 10
expect_action "Call them back"
call "Oli Basic" 2045551919
press $BOTTOM
popup_gone
sim_wait_count "c PIGNORE .*\"$CALL_ID" 1 10
expect_action "Ignored"
stop_client
echo "pop-ups end to end: all checks passed; captures in $ART"
