#!/usr/bin/env bash
# The release ZIP as a subscriber gets it: unpacked into a fresh folder,
# nuvmain.exe started from there (that folder its working directory) with a
# prepared NUV.INI against the server simulator; it logs in, is closed
# through its "Close" command, logs out and leaves its files in that folder.
#
#   release_e2e.sh BUILD_DIR ZIP
set -u
. "$(dirname "$0")/../doubles/e2e_lib.sh"
zip=$(realpath -e "$2" 2>/dev/null) || { echo "release_e2e: no package $2" >&2; exit 1; }
e2e_begin "$1"

mkdir app
python3 - "$zip" app <<'PY' || e2e_fail "cannot unpack $zip"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    names = z.namelist()
    if names != ['nuvmain.exe', 'nuvsetup.dll', 'README.TXT']:
        sys.exit(f'the ZIP holds {names}')
    z.extractall(sys.argv[2])
PY

e2e_sim
e2e_driver
printf '[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nRAS=0\r\n' >app/NUV.INI
printf 'SERVERLIST=0:1\r\nSERVER0=127.0.0.1/%s\r\n' "$E2E_SIM_PORT" >>app/NUV.INI

# Started from the unpacked folder: it is the program's working directory.
cd app || e2e_fail "no app folder"
NUV_WINE_BUILD_DIR=$E2E_BUILD e2e_start client "$E2E_WORK/app/nuvmain.exe"
cd "$E2E_WORK" || exit 1
sim_wait_count 'user=2045553636 .* a LOGIN ' 1 "$E2E_START_WAIT"
sim_wait_count 'h SUCCESS .*\(login\)' 1 30
drive_ok waitvisible NUV "NUV: Monitoring (204) 555-3636" 20000

# The menu's "Close": logout, exit 0.
drive_ok post NUV "NUV: Monitoring (204) 555-3636" WM_COMMAND 6005
e2e_wait_exit client 30 || e2e_fail "close: exit code $?"
sim_wait_count ' b LOGOUT ' 1 10
# Its files are in the folder it was started from.
[ -f app/CALLER.LOG ] || e2e_fail "no CALLER.LOG in the unpacked folder: $(ls app)"
tr -d '\r' <app/NUV.INI | grep -qx 'USERID=(204) 555-3636' || e2e_fail "NUV.INI lost USERID"
echo "release end to end: the unpacked package logged in and closed"
