#!/usr/bin/env bash
# The caller log window end to end under Wine: nuvmain.exe with a prepared
# CALLER.LOG opens it from the main menu's command, lists the log, deletes
# the row clicked with the mouse (from the window and CALLER.LOG, the newest
# left in view), exports callers.txt into the temporary folder
# and raises the one window when asked again. (Whether a text viewer comes
# up depends on the prefix; the window tests check the shell's "open".)
#
#   logwindow_e2e.sh BUILD_DIR
#
# Screen captures go to BUILD_DIR/e2e-artifacts/logwindow/.
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
e2e_begin "$1"
ART=$E2E_BUILD/e2e-artifacts/logwindow
mkdir -p "$ART" && rm -f "$ART"/*.png

field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }
shot() { e2e_capture "$ART/$1.png" "${@:2}" || e2e_fail "capture $1"; }

# name,number,time,action of each CALLER.LOG entry, oldest first; then the
# count and the index in view.
log_entries() {
  python3 - <<'PY'
import struct
d = open('CALLER.LOG', 'rb').read()
n, v = struct.unpack('<ii', d[1:9])
for i in range(max(0, min(n, 80))):
    r = d[9 + 130 * i: 9 + 130 * (i + 1)]
    f = [r[a:a + s].split(b'\0')[0].decode('latin-1') for a, s in ((0, 30), (30, 20), (50, 30), (80, 50))]
    print(','.join(f))
print(f'count={n} view={v}')
PY
}

e2e_sim
e2e_driver
printf '[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nSERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' \
  "$E2E_SIM_PORT" >NUV.INI
python3 "$E2E_SOURCE/scripts/make-caller-log.py" CALLER.LOG \
  "Alice Example|(204) 555-1111|9:15 AM 3/15/99|Answered" \
  "Bob Sample|(204) 555-2222|10:40 AM 3/15/99|Missed Call" \
  "Carol Test|(204) 555-3333|2:32 PM 3/15/99|Ignored" \
  "dave lower|(204) 555-4444|3:01 PM 3/15/99|Acknowledged" \
  "Eve Last|(204) 555-5555|4:45 PM 3/15/99|Sent to (204) 555-9999"

e2e_start client nuvmain.exe
MAIN=(NUV "NUV: Monitoring*")
drive_ok waitvisible "${MAIN[@]}" $((E2E_START_WAIT * 1000))

# --- Opened from the main menu's command ------------------------------------
LOG=("#32770" "NUV Caller Log")
drive_ok post "${MAIN[@]}" WM_COMMAND 6006
drive_ok waitvisible "${LOG[@]}" 20000
LOGWIN=$(field 1)
drive_ok rect "$LOGWIN"
LX=$(field 2) LY=$(field 3) LW=$(($(field 4) - $(field 2))) LH=$(($(field 5) - $(field 3)))
shot logwindow "$LX" "$LY" "$LW" "$LH"
drive_ok children "$LOGWIN"
grep -q 'SysListView32 102' <<<"$E2E_REPLY" || e2e_fail "no list view 102: $E2E_REPLY"
for b in '8005 "Export"' '8004 "Delete"' '8002 "Close"'; do
  grep -q "$b" <<<"$E2E_REPLY" || e2e_fail "no button $b"
done
LIST=$(grep -o '[0-9a-fx]* SysListView32 102' <<<"$E2E_REPLY" | cut -d' ' -f1 | tail -n 1)
[ -n "$LIST" ] || e2e_fail "no list view handle"

# --- The same window again: raised, not doubled ----------------------------
drive_ok send "${MAIN[@]}" WM_COMMAND 6006  # sent: handled when answered
drive_ok list "${LOG[@]}"
[ "$(field 1)" = 1 ] || e2e_fail "windows of the log: $E2E_REPLY"

# --- Delete the newest row, clicked with the mouse -------------------------
drive_ok rect "$LIST"
# The first row lies just below the header (about 20 pixels of an 8-point
# dialog font); the middle of the Caller Name column.
drive_ok click $(($(field 2) + 150)) $(($(field 3) + 27))
# Delete stays greyed until the click's selection has arrived: press until
# the file shows the deletion.
deadline=$((SECONDS + 20))
until log_entries >entries.txt && grep -q '^count=4 view=3$' entries.txt; do
  [ $SECONDS -ge $deadline ] && e2e_fail "CALLER.LOG after Delete: $(cat entries.txt)"
  drive_ok clickid "$LOGWIN" 8004
  sleep 0.2
done
grep -q '^Eve Last,' entries.txt && e2e_fail "the newest entry is still stored"
grep -q '^dave lower,' entries.txt || e2e_fail "the wrong entry went: $(cat entries.txt)"
shot after-delete "$LX" "$LY" "$LW" "$LH"

# --- Export: callers.txt in the temporary folder --------------------------
drive_ok clickid "$LOGWIN" 8005
deadline=$((SECONDS + 20))
export_file=
while [ -z "$export_file" ]; do
  export_file=$(find "$NUV_WINEPREFIX/drive_c" -name callers.txt -newer CALLER.LOG 2>/dev/null | head -n 1)
  [ $SECONDS -ge $deadline ] && e2e_fail "no callers.txt in the prefix"
  sleep 0.1
done
expected=$(printf '%s\r\n' \
  "Caller Name          Number           Time            Action              " "" \
  "Alice Example        (204) 555-1111   9:15 AM 3/15/99 Answered            " \
  "Bob Sample           (204) 555-2222   10:40 AM 3/15/99 Missed Call         " \
  "Carol Test           (204) 555-3333   2:32 PM 3/15/99 Ignored             " \
  "dave lower           (204) 555-4444   3:01 PM 3/15/99 Acknowledged        " | od -c)
got=$(od -c <"$export_file")
[ "$got" = "$expected" ] || e2e_fail "callers.txt differs:"$'\n'"$(cat -A "$export_file")"
shot exported

# --- Close, then the client ends -------------------------------------------
drive_ok clickid "$LOGWIN" 8002
drive_ok waitgone "$LOGWIN" 10000
drive_ok post "${MAIN[@]}" WM_COMMAND 6005
e2e_wait_exit client 30 || e2e_fail "client did not end"
echo "caller log window end to end: all checks passed; captures in $ART"
