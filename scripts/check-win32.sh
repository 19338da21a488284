#!/usr/bin/env bash
# Checks of the 32-bit release build that need no 32-bit machine: the files
# are 32-bit Windows programs of the right kind, stand alone (no compiler
# runtime DLLs beside them), and take their system functions from the
# libraries a 32-bit Windows has.
#
#   scripts/check-win32.sh BUILD_DIR    (default build/win32)
set -euo pipefail
dir=${1:-build/win32}
objdump=i686-w64-mingw32-objdump
fail() { echo "check-win32: $*" >&2; exit 1; }

exe=$dir/nuvmain.exe
[ -f "$exe" ] || fail "no $exe"
info=$($objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$info" || fail "nuvmain.exe is not a 32-bit program"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$info" || fail "nuvmain.exe is not a windowed (GUI) program"
dlls=$(grep -i 'DLL Name:' <<<"$info" | awk '{print tolower($3)}' | sort -u)
for need in rasapi32.dll winmm.dll shell32.dll gdi32.dll user32.dll; do
  grep -qx "$need" <<<"$dlls" || fail "nuvmain.exe does not import $need"
done
grep -Eq 'wsock32.dll|ws2_32.dll' <<<"$dlls" || fail "nuvmain.exe does not import Windows Sockets"
if grep -Eq 'libstdc|libgcc|libwinpthread' <<<"$dlls"; then
  fail "nuvmain.exe needs a compiler runtime DLL: $dlls"
fi
# The resources the program loads by id are in the file.
$objdump -h "$exe" | grep -q '\.rsrc' || fail "nuvmain.exe has no resources"
echo "check-win32: nuvmain.exe is a stand-alone 32-bit Windows GUI program ($(stat -c %s "$exe") bytes)"

# The installation module: a stand-alone 32-bit DLL whose one export, called
# by installers by its plain name, removes its one 4-byte argument itself.
dll=$dir/nuvsetup.dll
[ -f "$dll" ] || fail "no $dll"
info=$($objdump -p "$dll")
grep -q 'file format pei-i386' <<<"$info" || fail "nuvsetup.dll is not 32-bit"
grep -Eq '^[[:space:]]+DLL$' <<<"$info" || fail "nuvsetup.dll is not a DLL"
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$info" | awk '/\[ *[0-9]+\]/{print $NF}')
[ "$exports" = GetPass ] || fail "nuvsetup.dll exports '$exports', not exactly GetPass"
dlls=$(grep -i 'DLL Name:' <<<"$info" | awk '{print tolower($3)}' | sort -u)
if grep -Eq 'libstdc|libgcc|libwinpthread' <<<"$dlls"; then
  fail "nuvsetup.dll needs a compiler runtime DLL: $dlls"
fi
grep -qx user32.dll <<<"$dlls" || fail "nuvsetup.dll does not import user32.dll"
$objdump -h "$dll" | grep -q '\.rsrc' || fail "nuvsetup.dll has no resources"
rva=$(awk '/Export RVA$/{print $(NF-2); exit}' <<<"$info")
base=$(awk '/^ImageBase/{print $2; exit}' <<<"$info")
[ -n "$rva" ] && [ -n "$base" ] || fail "nuvsetup.dll: cannot find the address of GetPass"
start=$(printf '%x' $((0x$base + 0x$rva)))
# From the export's first instruction to the end of its function: a return
# that pops the 4-byte table address.
disassembly=$($objdump -d --start-address=0x$start "$dll")
body=$(awk '/^[0-9a-f]+ <.*>:$/{n++} n==1 && /^$/{exit} n==1' <<<"$disassembly")
grep -Eq 'ret[[:space:]]+\$0x4$' <<<"$body" || fail "GetPass does not remove its argument (no 'ret \$0x4')"
echo "check-win32: nuvsetup.dll is a stand-alone 32-bit DLL exporting GetPass (standard call, 4-byte argument)"

# The manifests: the client's as the process's own (RT_MANIFEST 1), the
# module's as its isolation manifest (RT_MANIFEST 2), each exactly the file
# in resources/.
resources=$(cd "$(dirname "$0")/../resources" && pwd)
for pair in nuvmain.exe:1:nuvmain.manifest nuvsetup.dll:2:nuvsetup.manifest; do
  IFS=: read -r file id manifest <<<"$pair"
  wrestool -x --raw --type=24 --name="$id" "$dir/$file" 2>/dev/null | cmp -s - "$resources/$manifest" ||
    fail "$file does not carry resources/$manifest as RT_MANIFEST $id"
done
echo "check-win32: nuvmain.exe and nuvsetup.dll carry their manifests"

# The release ZIP packed from these files (the target "package").
zips=("$dir"/NUV-*-win32.zip)
[ ${#zips[@]} = 1 ] && [ -f "${zips[0]}" ] ||
  fail "expected one NUV-<version>-win32.zip in $dir (cmake --build $dir --target package)"
"$(dirname "$0")/check-package.sh" "${zips[0]}" i386
