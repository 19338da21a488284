#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing.
set -euo pipefail

#   scripts/install-deps.sh          everything: native, sanitizer, fuzz and Windows builds, Wine
#   scripts/install-deps.sh native   only what the native build and its tools need

packages=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev)
if [ "${1:-all}" != native ]; then
  packages+=(
    clang libclang-rt-14-dev valgrind
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine wine64 xvfb xauth xdotool imagemagick x11-utils
    librsvg2-bin icoutils fonts-wine fonts-dejavu-core fonts-dejavu-extra python3 unzip
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# The mirror is sometimes briefly out of step with its index: try again.
for attempt in 1 2 3 4; do
  if $SUDO apt-get update -q && \
     $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    exit 0
  fi
  echo "install-deps: attempt $attempt failed, retrying" >&2
  sleep $((attempt * 10))
done
echo "install-deps: could not install ${missing[*]}" >&2
exit 1
