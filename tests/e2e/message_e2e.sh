#!/usr/bin/env bash
# The message window and the protocol trace window end to end under Wine:
# the real nuvmain.exe against the server simulator on the loopback, the
# trace window opened at start (OBXPROTOWIN), messages sent by the
# simulator with and without a link line, the window's buttons pressed with
# real mouse input, the texts read back from the windows.
#
#   message_e2e.sh BUILD_DIR
#
# Screen captures go to BUILD_DIR/e2e-artifacts/message/.
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
ART=$E2E_BUILD/e2e-artifacts/message
rm -rf "$ART" && mkdir -p "$ART"

field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }
shot() { e2e_capture "$ART/$1.png" "${@:2}" || e2e_fail "capture $1"; }
e2e_sim
e2e_driver

# Remote access off: the network counts as up at once. The trace window opens
# at start.
printf '[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nRAS=0\r\nOBXPROTOWIN=Window\r\n' >NUV.INI
printf 'SERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' "$E2E_SIM_PORT" >>NUV.INI
e2e_start client nuvmain.exe
sim_wait_count 'h SUCCESS .*\(login\)' 1 "$E2E_START_WAIT"
drive_ok waitvisible NUV "NUV: Monitoring*" 20000

# --- The trace window: the login's packet lines and the panel -----------------
drive_ok waitvisible "#32770" "NUV Debug" 10000
TRACE=$(field 1)
drive_ok waittext "$TRACE" 310 "Ras disabled" 10000
# The log: the LOGIN sent and the SUCCESS received, with the server's address.
deadline=$((SECONDS + 20))
while :; do
  drive_ok gettext "$TRACE" 303
  case "$E2E_REPLY" in
    *"-> 127.0.0.1:$E2E_SIM_PORT"*" LOGIN "*"127.0.0.1:$E2E_SIM_PORT ->"*" SUCCESS "*) break ;;
  esac
  [ $SECONDS -ge $deadline ] && e2e_fail "trace log without the login's lines: $E2E_REPLY"
  drive_ok sleep 200
done
drive_ok waittext "$TRACE" 347 TRUE 10000
drive_ok waittext "$TRACE" 340 1 10000
# In front of the main window for its picture.
drive_ok activate "$TRACE"
deadline=$((SECONDS + 10))
until drive_ok foreground && [ "$(field 1)" = "$TRACE" ]; do
  [ $SECONDS -ge $deadline ] && e2e_fail "trace window never in front"
  drive_ok sleep 100
done
drive_ok rect "$TRACE"
shot trace-window "$(field 2)" "$(field 3)" $(($(field 4) - $(field 2))) $(($(field 5) - $(field 3)))

# "Clear" empties the log; what follows is read from an empty start.
drive_ok clickid "$TRACE" 301
drive_ok waittext "$TRACE" 303 "" 10000

# --- A message without a link line ----------------------------------------
# mrect: the message window's origin in MX, MY.
mrect() { drive_ok rect "$MSG"; MX=$(field 2) MY=$(field 3); }
sim message Your account was renewed. Thank you.
drive_ok waitvisible MessageClass "*" 20000
MSG=$(field 1)
drive_ok gettext "$MSG" 3003
[ "$E2E_REPLY" = 'ok "Your account was renewed. Thank you."' ] || e2e_fail "message text: $E2E_REPLY"
mrect
[ $(($(field 4) - MX)) = 364 ] && [ $(($(field 5) - MY)) = 238 ] || e2e_fail "message window size: $E2E_REPLY"
shot message-plain "$MX" "$MY" 364 238
# The received MESSAGE in the trace.
drive_ok gettext "$TRACE" 303
case "$E2E_REPLY" in *" MESSAGE "*"Your account was renewed"*) ;; *) e2e_fail "no MESSAGE line in the trace" ;; esac

# Pressed on OK and released over the link: nothing happens.
drive_ok press $((MX + 220)) $((MY + 210))
drive_ok move $((MX + 145)) $((MY + 210))
drive_ok release $((MX + 145)) $((MY + 210))
drive_ok sleep 300
drive_ok rect "$MSG"
[ "$(field 6)" = visible ] || e2e_fail "OK released over the link closed the window"
# OK closes it.
drive_ok click $((MX + 220)) $((MY + 210))
drive_ok waitgone "$MSG" 10000

# --- A message with a link line and two lines of text -------------------------
# The simulator's control lines cannot carry a line feed: this MESSAGE goes as
# raw bytes, a datagram as the protocol lays it out.
raw_message() {
  python3 - "$1" "$2" <<'PY'
import sys
payload = sys.argv[1].encode().replace(b'\\n', b'\n') + b'\0'
seq = sys.argv[2].encode()
head = b'7.0'.ljust(5, b'\0') + b'2045553636'.ljust(16, b'\0') + seq.ljust(4, b'\0')
head += b'm' + b'\0\0' + len(payload).to_bytes(4, 'big')
print((head + payload + b'\0\0\0').hex())
PY
}
sim raw "$(raw_message 'url=http://www.ravelo.example/news\nFirst line of the news.\nSecond line.' 901)"
drive_ok waitvisible MessageClass "*" 20000
MSG=$(field 1)
drive_ok gettext "$MSG" 3003
[ "$E2E_REPLY" = 'ok "First line of the news.\r\nSecond line."' ] ||
  e2e_fail "message text with a link line: $E2E_REPLY"
mrect
shot message-link "$MX" "$MY" 364 238

# A second message while this one is open is not shown.
valids=$(sim_count 'IN .* p VALID')
sim message A second message.
sim_wait_count 'm MESSAGE .*A second message' 1 10
# The client has taken it once it acknowledges it.
sim_wait_count 'IN .* p VALID' $((valids + 1)) 10
drive_ok sleep 500
drive_ok list MessageClass "*"
[ "$(field 1)" = 1 ] || e2e_fail "a second message window: $E2E_REPLY"
drive_ok gettext "$MSG" 3003
case "$E2E_REPLY" in *"First line of the news."*) ;; *) e2e_fail "the open window's text changed: $E2E_REPLY" ;; esac

# The close box closes it; the dropped message does not come back.
drive_ok click $((MX + 349)) $((MY + 14))
drive_ok waitgone "$MSG" 10000
drive_ok sleep 500
drive_ok list MessageClass "*"
[ "$(field 1)" = 0 ] || e2e_fail "the dropped message came back: $E2E_REPLY"

# --- The trace window closes; the client goes on without it ------------------
drive_ok post "$TRACE" WM_CLOSE
drive_ok waitgone "$TRACE" 10000
sim message After the trace window.
drive_ok waitvisible MessageClass "*" 20000
drive_ok post NUV "NUV: Monitoring*" WM_COMMAND 6005
e2e_wait_exit client 30 || e2e_fail "client did not end"
e2e_log "message and trace windows: ok"
