#!/usr/bin/env bash
# The test doubles under Wine on one display: the remote-access stand-in
# through an ordinary import, then the fake AOL client driven by nuvdrive
# through real input, window messages and the screen.
#
#   doubles_smoke.sh BUILD_DIR
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_begin "$1"

# --- Remote-access stand-in -------------------------------------------------
mkdir ras && (cd ras && NUV_WINEDLLOVERRIDES=rasapi32=n,b timeout 120 \
  "$E2E_SOURCE/scripts/wine-run.sh" "$E2E_BUILD/nuv_ras_standin_check.exe") >ras.out 2>&1 ||
  { cat ras.out >&2; e2e_fail "remote-access stand-in check"; }

# The state helper writes what the stand-in reads.
e2e_ras "connecting Dial Up" "connected My ISP"
[ "$(cat ras-standin.txt)" = $'connecting Dial Up\nconnected My ISP' ] || e2e_fail "e2e_ras wrote: $(cat ras-standin.txt)"

# log_is FILE EXPECTED: the file's lines, CR removed, equal the expected text.
log_is() {
  local got
  got=$(tr -d '\r' <"$1" 2>/dev/null)
  [ "$got" = "$2" ] || e2e_fail "$1 is:
$got
expected:
$2"
}

# field N: the Nth word of the last answer (0 is "ok").
field() { local w; read -r -a w <<<"$E2E_REPLY"; echo "${w[$1]}"; }

# descendant N: the Nth entry of the last "children" answer.
descendant() { awk -v n="$1" 'BEGIN { RS = " [|] " } NR == n + 1 { print; exit }' <<<"$E2E_REPLY"; }

# --- Fake AOL client, "AOL Canada" in another case --------------------------
e2e_start aol aolfake.exe --caption "aol canada" --log aol.log --edit --at 300 200
e2e_driver
drive_ok wait "AOL Frame25" "aol canada" $((E2E_START_WAIT * 1000))
drive_ok waitvisible "AOL Frame25" "aol*" 10000
drive_ok waitchild "AOL Frame25" "*" MDIClient "*" 5000

# Keyboard input reaches the focused edit control of another process.
drive_ok clickid "AOL Frame25" "*" 100
drive_ok waitfocus "AOL Frame25" "*" 100 5000
drive_ok type "Hello, World 42"
drive_ok waittext "AOL Frame25" "*" 100 "Hello, World 42" 5000
drive_ok key BACK
drive_ok waittext "AOL Frame25" "*" 100 "Hello, World 4" 5000
drive_ok foreground
[[ $E2E_REPLY == *'AOL Frame25 "aol canada"' ]] || e2e_fail "foreground: $E2E_REPLY"

drive_ok send "AOL Frame25" "*" WM_CLOSE
drive_ok waitchild "AOL Frame25" "*" "AOL Child" "Exit?" 5000
exit_child=$(field 1)
drive_ok children "$exit_child"
[ "$(field 1)" = 12 ] || e2e_fail "the Exit? window has $(field 1) descendants"
for n in 9 10 11; do
  read -r _ hwnd cls _ <<<"$(descendant $n)"
  [ "$cls" = _AOL_Icon ] || e2e_fail "descendant $n is of class $cls"
  [ $n = 10 ] && tenth=$hwnd
done

# The tenth is drawn red: on the screen and in a capture.
drive_ok rect "$tenth"
read -r l t r b <<<"$(field 2) $(field 3) $(field 4) $(field 5)"
cx=$(((l + r) / 2)); cy=$(((t + b) / 2))
drive_ok waitpixel $cx $cy E02020 5000
drive_ok capture frame.bmp $((cx - 20)) $((cy - 10)) 40 20
convert frame.bmp frame.png || e2e_fail "convert"
px=$(convert frame.png -format '%[hex:u.p{20,10}]' info:)
[ "${px:0:6}" = E02020 ] || e2e_fail "capture shows $px at the button"

# A real click on it: press and release land in that window; the program ends.
drive_ok clickwin "$tenth"
e2e_wait_exit aol 15 || e2e_fail "aolfake still runs after the click ($?)"
drive_ok waitgone "AOL Frame25" "*" 5000
w=$((r - l)); h=$((b - t))
log_is aol.log "start aol canada
WM_CLOSE
$(grep -a exit-window aol.log | tr -d '\r')
WM_LBUTTONDOWN 10 $((w / 2)) $((h / 2)) 0x1
WM_LBUTTONUP 10 $((w / 2)) $((h / 2)) 0x0
exit"

# --- Another caption closes at once; the extra top-level window ------------
e2e_start plain aolfake.exe --log plain.log --exapi --hidden
drive_ok wait "AOL Frame25" "America Online" 30000
[ "$(field 6)" = hidden ] || e2e_fail "--hidden frame is $(field 6)"
drive_ok wait _AOL_EXAPI "*" 5000
drive_ok send "AOL Frame25" "*" WM_CLOSE
drive_ok waitgone "AOL Frame25" "*" 5000
e2e_wait_exit plain 15 || e2e_fail "aolfake with another caption still runs"
log_is plain.log "start America Online
WM_CLOSE
exit"

# --- Late confirmation, wrong class at ten, pressed as the client does -----
e2e_start late aolfake.exe --caption "AOL Canada" --log late.log --delay 4000 --wrong-class _AOL_Button
drive_ok wait "AOL Frame25" "AOL Canada" 30000
drive_ok send "AOL Frame25" "*" WM_CLOSE
drive_ok children "AOL Frame25" "*"
[[ $E2E_REPLY != *'"Exit?"'* ]] || e2e_fail "Exit? shown before its delay"
drive_ok waitchild "AOL Frame25" "*" "AOL Child" "Exit?" 10000
drive_ok children "$(field 1)"
read -r _ ninth _ <<<"$(descendant 9)"
read -r _ tenth cls _ <<<"$(descendant 10)"
[ "$cls" = _AOL_Button ] || e2e_fail "--wrong-class: descendant 10 is $cls"
# Press and release apart: both reach the ninth, which does not end it.
drive_ok rect "$ninth"
read -r l t r b <<<"$(field 2) $(field 3) $(field 4) $(field 5)"
drive_ok press $((l + 3)) $((t + 3))
drive_ok release $((l + 5)) $((t + 6))
e2e_wait_file late.log '^WM_LBUTTONUP 9 5 6 0x0$' 10 || e2e_fail "release on the ninth not seen"
e2e_running late || e2e_fail "the ninth button ended aolfake"
drive_ok send "$tenth" WM_LBUTTONDOWN 1 0x10001
drive_ok send "$tenth" WM_LBUTTONUP 0 0x10001
e2e_wait_exit late 15 || e2e_fail "aolfake still runs after the tenth"
log_is late.log "start AOL Canada
WM_CLOSE
$(grep -a exit-window late.log | tr -d '\r')
WM_LBUTTONDOWN 9 3 3 0x1
WM_LBUTTONUP 9 5 6 0x0
WM_LBUTTONDOWN 10 1 1 0x1
WM_LBUTTONUP 10 1 1 0x0
exit"

echo "doubles smoke: passed"
