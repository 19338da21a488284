#!/usr/bin/env bash
# Checks of a release ZIP: exactly nuvmain.exe, nuvsetup.dll and README.TXT
# in that order, each entry with the fixed time; both programs Windows
# programs of the expected machine, stripped (no symbols, no debugging
# sections), with no link time in their headers and with their manifest
# resource; README.TXT plain ASCII with CR LF line ends.
#
#   scripts/check-package.sh ZIP [i386|x86-64]    (default i386)
set -euo pipefail
zip=${1:?usage: check-package.sh ZIP [i386|x86-64]}
machine=${2:-i386}
fail() { echo "check-package: $*" >&2; exit 1; }
case $machine in
  i386) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  x86-64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  *) fail "unknown machine $machine" ;;
esac
[ -f "$zip" ] || fail "no $zip (cmake --build BUILD_DIR --target package)"

work=$(mktemp -d "${TMPDIR:-/tmp}/nuv-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The entries, in order, and their times (zipinfo: one line per entry).
names=$(unzip -Z1 "$zip" | paste -sd' ')
[ "$names" = "nuvmain.exe nuvsetup.dll README.TXT" ] || fail "the ZIP holds: $names"
times=$(unzip -ZT "$zip" | awk '$NF ~ /^(nuvmain\.exe|nuvsetup\.dll|README\.TXT)$/ {print $(NF-1)}' | sort -u)
[ "$times" = 19800101.000000 ] || fail "entry times are not the fixed 1980-01-01 00:00: $times"
unzip -q "$zip" -d "$work" || fail "cannot unpack $zip"

# u32 FILE OFFSET: a little-endian 32-bit word of a file.
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

check_program() {
  local file=$work/$1 id=$2 pe info
  [ -f "$file" ] || fail "$1 missing"
  info=$($objdump -p "$file")
  grep -q "file format $format" <<<"$info" || fail "$1 is not $format"
  pe=$(u32 "$file" 60)
  [ "$(od -An -c -j "$pe" -N4 "$file" | tr -d ' ')" = 'PE\0\0' ] || fail "$1: no PE header"
  # COFF header: TimeDateStamp at +8, NumberOfSymbols at +16.
  [ "$(u32 "$file" $((pe + 8)))" = 0 ] || fail "$1 has a link time in its header"
  [ "$(u32 "$file" $((pe + 16)))" = 0 ] || fail "$1 is not stripped: it has symbols"
  if grep -q '\.debug' <<<"$($objdump -h "$file")"; then fail "$1 is not stripped: debugging sections"; fi
  # The resources' own time stamps: none either.
  if grep -E 'Time: [0-9a-f]{8}' <<<"$info" | grep -vq 'Time: 00000000'; then
    fail "$1 has a time stamp in its resource directory"
  fi
  grep -q -- "--name=$id " <<<"$(wrestool -l --type=24 "$file")" || fail "$1 has no manifest resource $id"
}
check_program nuvmain.exe 1
check_program nuvsetup.dll 2

python3 - "$work/README.TXT" <<'PY' || fail "README.TXT is not ASCII text with CR LF line ends"
import sys
data = open(sys.argv[1], 'rb').read()
data.decode('ascii')
lines = data.split(b'\r\n')
ok = data.endswith(b'\r\n') and all(b'\r' not in l and b'\n' not in l for l in lines) and len(lines) > 10
sys.exit(0 if ok else 1)
PY
echo "check-package: $(basename "$zip"): nuvmain.exe, nuvsetup.dll ($machine, stripped, no time stamps, manifests) and README.TXT (CR LF)"
