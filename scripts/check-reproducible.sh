#!/usr/bin/env bash
# The release ZIP is reproducible: the same sources built again from nothing,
# in another build folder at another time, give the same bytes, and so does
# packing the same programs into another folder.
#
#   scripts/check-reproducible.sh BUILD_DIR    (default build/win32)
set -euo pipefail
dir=${1:-build/win32}
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "check-reproducible: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/nuv-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
cmake --build "$dir" --target package >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "package build failed"; }
zips=("$dir"/NUV-*-win*.zip)
[ ${#zips[@]} = 1 ] && [ -f "${zips[0]}" ] || fail "expected one release ZIP in $dir"
zip=${zips[0]}
name=$(basename "$zip")

# Built again from nothing: the same preset, a fresh build folder.
case $(grep '^CMAKE_TOOLCHAIN_FILE' "$dir/CMakeCache.txt") in
  *mingw-i686*) preset=win32 ;;
  *mingw-x86_64*) preset=win64 ;;
  *) fail "$dir is not a build of the win32 or win64 preset" ;;
esac
again=$work/again
cmake --preset "$preset" -B "$again" >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configure failed"; }
cmake --build "$again" --target package -j "$(nproc)" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; fail "package build in a fresh folder failed"; }
cmp "$zip" "$again/$name" || fail "$name differs when built again from nothing"

# The same programs packed into another folder.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$dir/CMakeCache.txt")
mkdir "$work/other"
python3 "$root/scripts/package.py" --strip "$strip" --readme "$root/docs/README.TXT" \
  --out "$work/other/$name" "$dir/nuvmain.exe" "$dir/nuvsetup.dll" >/dev/null
cmp "$zip" "$work/other/$name" || fail "packed in another folder, the ZIP differs"
echo "check-reproducible: $name is the same, byte for byte, built again from nothing ($(stat -c %s "$zip") bytes)"
