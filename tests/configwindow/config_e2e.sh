#!/usr/bin/env bash
# The configuration window end to end under Wine: nuvmain.exe logged in to
# the simulator (service 2: General and Transfers tabs), the window opened
# with the main window's configuration button and driven with real mouse and
# keyboard input: the dial-up switch greys its dependents, a seven-digit
# number takes the area code and becomes its description, an invalid number
# is refused with its message and focus and blocks Apply, Apply saves and
# closes the gaps, Cancel keeps what Apply saved, a press on OK released
# outside does nothing, and NUV.INI afterwards differs from before by
# exactly what was accepted.
#
#   config_e2e.sh BUILD_DIR
#
# Screen captures go to BUILD_DIR/e2e-artifacts/config/.
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
ART=$E2E_BUILD/e2e-artifacts/config
rm -rf "$ART" && mkdir -p "$ART"

field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }
shot() { e2e_capture "$ART/$1.png" "${@:2}" || e2e_fail "capture $1"; }
# The keys of section PARAMS, one "KEY=value" a line, sorted.
params() { tr -d '\r' <NUV.INI | sed -n '/^\[PARAMS\]/,/^\[/p' | grep '=' | sort; }
# One control's line of the window's children: "<hwnd> <class> <id> ... <vis> <enabled>".
control() {
  drive_ok children "$CONFIG"
  tr '|' '\n' <<<"$E2E_REPLY" | awk -v id="$1" '$4 == id { $1 = $1; print; exit }'
}
expect_enabled() {
  local line
  line=$(control "$1")
  [ -n "$line" ] || e2e_fail "no control $1"
  [[ $line == *" $2" ]] || e2e_fail "control $1 is not $2: $line"
}
# Clicks a control of the window by its id (the centre of the control).
click_id() { drive_ok clickid "$CONFIG" "$1"; }
window_shot() { shot "$1" "$CX" "$CY" 317 314; }

e2e_sim
e2e_driver
printf '[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nRAS=0\r\nSOUND=1\r\n' >NUV.INI
printf 'SERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' "$E2E_SIM_PORT" >>NUV.INI
e2e_start client nuvmain.exe
sim_wait_count 'h SUCCESS .*\(login\)' 1 "$E2E_START_WAIT"
MAIN=(NUV "NUV: Monitoring*")
drive_ok waitvisible "${MAIN[@]}" 20000
MX=$(field 2) MY=$(field 3)
# The login's save has happened once the service arrived in the file.
e2e_wait_file NUV.INI '^SERVICE=2' 20 || e2e_fail "service 2 never saved: $(cat NUV.INI)"
params >before.txt

# --- Opened with the configuration button --------------------------------------
drive_ok click $((MX + 278)) $((MY + 60))
drive_ok waitvisible NUVConfig "NUV Configuration" 20000
CONFIG=$(field 1) CX=$(field 2) CY=$(field 3)
[ $(($(field 4) - CX)) = 317 ] && [ $(($(field 5) - CY)) = 314 ] || e2e_fail "size: $E2E_REPLY"
drive_ok waitchild "$CONFIG" Button "I use AOL" 10000
# Dial-up control off: its two dependents are greyed.
expect_enabled 104 disabled
expect_enabled 109 disabled
window_shot general

# --- General: the dial-up switch and the sound ------------------------------
click_id 103
deadline=$((SECONDS + 10))
until [[ $(control 104) == *" enabled" ]]; do
  [ $SECONDS -ge $deadline ] && e2e_fail "Confirm Internet disconnections stays greyed"
  drive_ok sleep 100
done
expect_enabled 109 enabled
click_id 102  # Sound on -> off
window_shot general-dialup

# --- Transfers: seven digits take the area code --------------------------------
drive_ok children "$CONFIG"
TAB=$(tr '|' '\n' <<<"$E2E_REPLY" | awk '$3 == "SysTabControl32" { print $2; exit }')
[ -n "$TAB" ] || e2e_fail "no tab control: $E2E_REPLY"
drive_ok rect "$TAB"
# The second tab: right of "General" on the tab row.
drive_ok click $(($(field 2) + 95)) $(($(field 3) + 10))
drive_ok waitchild "$CONFIG" Edit "*" 10000
click_id 201
drive_ok type 555 1234
# Enter moves on to the next field, as Tab does.
drive_ok key RETURN
drive_ok waitfocus "$CONFIG" 202 10000
drive_ok waittext "$CONFIG" 201 "(204) 555-1234" 10000
drive_ok waittext "$CONFIG" 202 "(204) 555-1234" 10000
# Row 3 invalid, row 4 with its own description.
click_id 205
drive_ok type 12345
click_id 207
drive_ok type 2045559999
click_id 208
drive_ok type Office
window_shot transfers

# --- Apply refuses the invalid row: message, then the focus on row 3 ----------
click_apply() { drive_ok click $((CX + 232)) $((CY + 286)); }
click_apply
drive_ok waitvisible "#32770" "Invalid Phone Number" 10000
BOX=$(field 1)
shot refused "$(field 2)" "$(field 3)" $(($(field 4) - $(field 2))) $(($(field 5) - $(field 3)))
drive_ok key RETURN
drive_ok waitgone "$BOX" 10000
drive_ok waitfocus "$CONFIG" 205 10000
params >after-refused.txt
cmp -s before.txt after-refused.txt || e2e_fail "a refused Apply saved: $(diff before.txt after-refused.txt)"

# The selected text is replaced by what is typed.
drive_ok type 204 555 7777
click_apply
# Saved, and the page rebuilt without the gap: rows 1, 3 and 4 move up.
drive_ok waittext "$CONFIG" 203 "(204) 555-7777" 10000
drive_ok waittext "$CONFIG" 205 "(204) 555-9999" 10000
drive_ok waittext "$CONFIG" 206 Office 10000
drive_ok waittext "$CONFIG" 207 "" 10000
window_shot applied
e2e_wait_file NUV.INI '^NUMBER3=\(204\) 555-9999' 10 || e2e_fail "Apply did not save: $(cat NUV.INI)"
params >after-apply.txt
diff before.txt after-apply.txt | grep '^[<>]' | sort >changes.txt
expected=$(printf '%s\n' \
  "< NAME1=" "< NAME2=" "< NAME3=" "< NUMBER1=" "< NUMBER2=" "< NUMBER3=" "< RAS=0" "< SOUND=1" \
  "> NAME1=(204) 555-1234" "> NAME2=(204) 555-7777" "> NAME3=Office" \
  "> NUMBER1=(204) 555-1234" "> NUMBER2=(204) 555-7777" "> NUMBER3=(204) 555-9999" \
  "> RAS=1" "> SOUND=0" | sort)
[ "$(cat changes.txt)" = "$expected" ] || e2e_fail "NUV.INI changed otherwise:"$'\n'"$(cat changes.txt)"

# With dial-up control now on and no connection, the client logs out on the
# next network check, which Apply brought forward.
sim_wait_count 'LOGOUT' 1 30

# --- OK pressed and released outside: nothing; Cancel keeps Apply's save ---
drive_ok press $((CX + 84)) $((CY + 286))
drive_ok release $((CX + 84)) $((CY + 200))
drive_ok sleep 300
drive_ok rect "$CONFIG"
drive_ok click $((CX + 158)) $((CY + 286))  # Cancel
drive_ok waitgone "$CONFIG" 10000
params >after-cancel.txt
cmp -s after-apply.txt after-cancel.txt || e2e_fail "Cancel changed NUV.INI: $(diff after-apply.txt after-cancel.txt)"

# --- Opened again: one window, the saved values, OK closes ------------------------
drive_ok click $((MX + 278)) $((MY + 60))
drive_ok waitvisible NUVConfig "NUV Configuration" 20000
CONFIG=$(field 1)
drive_ok click $((MX + 278)) $((MY + 60))
drive_ok list NUVConfig "NUV Configuration"
[ "$(field 1)" = 1 ] || e2e_fail "windows: $E2E_REPLY"
drive_ok waitchild "$CONFIG" Button "Sound on" 10000
line=$(control 102)
[[ $line == *'"Sound on"'* ]] || e2e_fail "no Sound on box"
read -r _ sound _ <<<"$line"
drive_ok send "$sound" 0x00F0  # BM_GETCHECK
[ "$(field 1)" = 0 ] || e2e_fail "Sound on is checked after it was saved off"
drive_ok click $((CX + 84)) $((CY + 286))  # OK
drive_ok waitgone "$CONFIG" 10000

drive_ok post "${MAIN[@]}" WM_COMMAND 6005
e2e_wait_exit client 30 || e2e_fail "client did not end"
echo "configuration window end to end: all checks passed; captures in $ART"
