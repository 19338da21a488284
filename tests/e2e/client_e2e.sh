#!/usr/bin/env bash
# The windowed client end to end under Wine: nuvmain.exe in a fresh folder
# against the server simulator on the loopback, the dial-up connection played
# by the remote-access stand-in, driven through real mouse and keyboard input
# and observed through its windows, the screen, its files and the simulator's
# record. One display, one prefix and one client run serve several checks.
#
#   client_e2e.sh BUILD_DIR
#
# Screen captures of every state go to BUILD_DIR/e2e-artifacts/client/.
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
ART=$E2E_BUILD/e2e-artifacts/client
rm -rf "$ART" && mkdir -p "$ART"

# field N: the Nth word of the last answer (0 is "ok").
field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }
shot() { e2e_capture "$ART/$1.png" "${@:2}" || e2e_fail "capture $1"; }

# --- The server simulator on a free port, controlled through a pipe ---------
e2e_sim
# The server is the stored one; number and password are still to be asked.
printf '[PARAMS]\r\nSERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' "$E2E_SIM_PORT" >NUV.INI

# --- The dial-up connection: the stand-in reads this file on every check -----
export NUV_WINEDLLOVERRIDES=rasapi32=n,b
ras() { printf '%s\n' "$1" >ras-standin.new && mv ras-standin.new ras-standin.txt; }
ras none

# A caller log of three calls, the newest in view.
python3 "$E2E_SOURCE/scripts/make-caller-log.py" CALLER.LOG \
  "Alice Example|(204) 555-1111|9:15 AM 3/15/99|Answered" \
  "Bob Sample|(204) 555-2222|10:40 AM 3/15/99|Missed Call" \
  "Carol Test|(204) 555-3333|2:32 PM 3/15/99|Ignored"
cp CALLER.LOG caller.orig

# --- The light --------------------------------------------------------------
MAIN_CLASS=NUV
MAIN_CAPTION="NUV: Monitoring (204) 555-3636"
main_origin() {
  drive_ok rect "$MAIN_CLASS" "$MAIN_CAPTION"
  MX=$(field 2) MY=$(field 3)
}
# colour RRGGBB: red, green or dark.
colour() {
  local r=$((16#${1:0:2})) g=$((16#${1:2:2}))
  if [ $g -gt $((r + 60)) ]; then echo green
  elif [ $r -gt $((g + 60)) ]; then echo red
  else echo dark; fi
}
# light EXPECTED: samples the light at (282,147)+(8,8) for three seconds;
# EXPECTED is "red", "green", "red/dark" or "green/dark" (blinking).
light() {
  local seen="" c i
  wait_light "${1%%/*}" 10
  for i in $(seq 1 12); do
    drive_ok pixel $((MX + 290)) $((MY + 155))
    c=$(colour "$(field 1)")
    case " $seen " in *" $c "*) ;; *) seen="$seen $c" ;; esac
    drive_ok sleep 250
  done
  seen=$(tr ' ' '\n' <<<"$seen" | sed '/^$/d' | sort | paste -sd/)
  local want
  want=$(tr '/' '\n' <<<"$1" | sort | paste -sd/)
  [ "$seen" = "$want" ] || e2e_fail "light: expected $1, saw $seen"
}
# Waits until the light shows one colour at least once.
wait_light() {
  local deadline=$((SECONDS + $2))
  main_origin
  while [ $SECONDS -lt $deadline ]; do
    drive_ok pixel $((MX + 290)) $((MY + 155))
    [ "$(colour "$(field 1)")" = "$1" ] && return 0
    drive_ok sleep 200
  done
  e2e_fail "light never $1"
}

e2e_driver

# --- 1. First start without a number: the password dialog; Cancel ends it ---
e2e_start client1 nuvmain.exe
drive_ok waitvisible "#32770" "" $((E2E_START_WAIT * 1000))
PW=$(field 1)
shot password-dialog
drive_ok clickid "$PW" 2
e2e_wait_exit client1 30 || e2e_fail "Cancel: exit code $?"
cmp -s CALLER.LOG caller.orig || e2e_fail "Cancel changed CALLER.LOG"
[ "$(sim_count ' a LOGIN ')" = 0 ] || e2e_fail "a LOGIN after Cancel"

# --- 2. The number and password typed; the splash, then the main window ------
e2e_start client nuvmain.exe
drive_ok waitvisible "#32770" "" $((E2E_START_WAIT * 1000))
PW=$(field 1)
drive_ok clickid "$PW" 301
drive_ok type 2045553636
drive_ok key TAB
drive_ok gettext "$PW" 301
[ "$E2E_REPLY" = 'ok "(204) 555-3636"' ] || e2e_fail "number not made pretty on leaving: $E2E_REPLY"
drive_ok type secret1
drive_ok key TAB
drive_ok type secret1
shot password-filled
drive_ok clickid "$PW" 1
drive_ok waitvisible "#32770" "NUV" 20000
drive_ok rect "$MAIN_CLASS" "$MAIN_CAPTION"
[ "$(field 6)" = hidden ] || e2e_fail "main window shown during the splash: $E2E_REPLY"
shot splash
tr -d '\r' <NUV.INI | grep -qx 'USERID=(204) 555-3636' || e2e_fail "USERID not stored"
tr -d '\r' <NUV.INI | grep -qx 'PASSWORD=secret1' || e2e_fail "PASSWORD not stored"
drive_ok waitvisible "$MAIN_CLASS" "$MAIN_CAPTION" 15000
drive_ok waitgone "#32770" "NUV" 5000

# --- 3. The light tells the network and the login ----------------------------
# No dial-up connection: steady red, no login.
light red
shot main-no-network
[ "$(sim_count ' a LOGIN ')" = 0 ] || e2e_fail "a LOGIN without a connection"
# Connection up, the server silent: LOGIN sent, blinking red.
sim "silent on"
ras "connected Dialup"
e2e_wait_file sim.out ' a LOGIN ' 20 || e2e_fail "no LOGIN once connected"
light red/dark
shot main-not-logged-in
# The server answers the next LOGIN: blinking green.
sim "silent off"
e2e_wait_file sim.out 'h SUCCESS .*\(login\)' 90 || e2e_fail "no login answered"
wait_light green 10
light green/dark
shot main-logged-in

# --- 4. A second start for the same number brings the first forward ----------
e2e_start second nuvmain.exe
e2e_wait_exit second 60 || e2e_fail "second instance: exit code $?"
drive_ok waitvisible "$MAIN_CLASS" "$MAIN_CAPTION" 5000
drive_ok list "$MAIN_CLASS" "NUV: Monitoring*"
[ "$(field 1)" = 1 ] || e2e_fail "second instance left a window: $E2E_REPLY"

# --- 5. The arrows step the caller log ---------------------------------------
main_origin
display() { shot "$1" $((MX + 21)) $((MY + 43)) 200 88; }
click_main() { drive_ok click $((MX + $1)) $((MY + $2)); drive_ok sleep 650; }
display log-3of3
click_main 182 150   # left: 2/3
display log-2of3
click_main 182 150   # left: 1/3
display log-1of3
click_main 182 150   # left on the oldest: stays 1/3
display log-1of3-again
click_main 210 150   # right: 2/3
display log-2of3-again
# same A B: the two captures show the same pixels.
same() { [ "$(compare -metric AE "$ART/$1.png" "$ART/$2.png" null: 2>&1)" = 0 ]; }
same log-3of3 log-2of3 && e2e_fail "left arrow changed nothing"
same log-2of3 log-1of3 && e2e_fail "second left arrow changed nothing"
same log-1of3 log-1of3-again || e2e_fail "left on the oldest moved"
same log-2of3 log-2of3-again || e2e_fail "right arrow did not come back"

# Pressing exit and releasing on minimise does neither.
drive_ok press $((MX + 300)) $((MY + 14))
drive_ok move $((MX + 284)) $((MY + 14))
drive_ok release $((MX + 284)) $((MY + 14))
drive_ok sleep 650
drive_ok rect "$MAIN_CLASS" "$MAIN_CAPTION"
[ "$(field 6)" = visible ] || e2e_fail "a release on minimise hid the window"
drive list "#32770" "Confirm Exit"
[ "$(field 1)" = 0 ] || e2e_fail "exit acted on a release elsewhere"

# --- 6. Minimise hides the window and its taskbar entry; the tray lamp brings it back
click_main 284 14
drive_ok waithidden "$MAIN_CLASS" "$MAIN_CAPTION" 5000
drive_ok waithidden NUVMAIN "$MAIN_CAPTION" 5000
shot minimised
drive_ok list "*" "Wine System Tray"
[ "$(field 1)" -ge 1 ] || e2e_fail "no tray: $E2E_REPLY"
tray=$(awk 'BEGIN { RS = " [|] " } NR == 2 { print; exit }' <<<"$E2E_REPLY")
read -r _ tl tt tr tb _ <<<"$tray"
drive_ok click $((tl + 13)) $((tb - 13))
drive_ok waitvisible "$MAIN_CLASS" "$MAIN_CAPTION" 10000
drive_ok waitvisible NUVMAIN "$MAIN_CAPTION" 5000
shot restored-from-tray

# --- 7. The dial-up connection drops: red light, logged out; then back -------
logouts=$(sim_count ' b LOGOUT ')
ras none
deadline=$((SECONDS + 20))
until [ "$(sim_count ' b LOGOUT ')" -gt "$logouts" ]; do
  [ $SECONDS -ge $deadline ] && e2e_fail "no LOGOUT after the connection dropped"
  sleep 0.2
done
light red
shot main-connection-dropped
logins=$(sim_count 'h SUCCESS .*\(login\)')
ras "connected Dialup"
deadline=$((SECONDS + 30))
until [ "$(sim_count 'h SUCCESS .*\(login\)')" -gt "$logins" ]; do
  [ $SECONDS -ge $deadline ] && e2e_fail "no new login after the connection came back"
  sleep 0.2
done
wait_light green 10

# --- 8. The exit button's confirmation: LOGOUT, exit 0, files intact ---------
logouts=$(sim_count ' b LOGOUT ')
main_origin
drive_ok click $((MX + 300)) $((MY + 14))
drive_ok waitvisible "#32770" "Confirm Exit" 10000
shot confirm-exit
drive_ok clickid "#32770" "Confirm Exit" 6
e2e_wait_exit client 30 || e2e_fail "exit: exit code $?"
[ "$(sim_count ' b LOGOUT ')" -gt "$logouts" ] || e2e_fail "no LOGOUT at exit"
tr -d '\r' <NUV.INI | grep -qx 'USERID=(204) 555-3636' || e2e_fail "NUV.INI lost USERID"
python3 - <<'PY' || e2e_fail "CALLER.LOG after exit"
import struct, sys
data = open('CALLER.LOG', 'rb').read()
orig = open('caller.orig', 'rb').read()
end, view = struct.unpack('<ii', data[1:9])
ok = len(data) == 10409 and data[0] == 0x22 and end == 3 and view == 1 and data[9:] == orig[9:]
sys.exit(0 if ok else 1)
PY
echo "client end to end: all checks passed; captures in $ART"
