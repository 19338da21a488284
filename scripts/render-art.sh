#!/usr/bin/env bash
# Renders the client's artwork: skin and splash bitmaps, icons, the ring sound
# and the window outlines scanned from the drawings.
#
#   scripts/render-art.sh            into the source tree
#   scripts/render-art.sh OUT        into OUT (same layout: OUT/resources/..., OUT/src/skin/...)
#   scripts/render-art.sh --check    render into a scratch folder and compare with the tree
#   scripts/render-art.sh --palettes derive resources/art/skin.pal and splash.pal anew
#
# Needs rsvg-convert (librsvg2-bin), ImageMagick's /usr/bin/convert, icotool
# (icoutils), python3 and the DejaVu fonts (fonts-dejavu-core, fonts-dejavu-extra).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

# Only our fonts, rendered the same way everywhere.
export FONTCONFIG_FILE="$root/resources/art/fonts.conf"
export LC_ALL=C

if [ "${1:-}" = --palettes ]; then
  exec python3 "$here/render_art.py" --palettes
fi
if [ "${1:-}" = --check ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  "$0" "$scratch"
  status=0
  for f in "$root"/resources/bitmaps/*.bmp "$root"/resources/icons/*.ico \
           "$root"/resources/sound/ring.wav "$root"/src/skin/bands_generated.h; do
    rel=${f#"$root"/}
    if ! cmp -s "$f" "$scratch/$rel"; then
      echo "render-art: $rel differs from a fresh render" >&2
      status=1
    fi
  done
  # Nothing rendered may be missing from the tree either.
  for f in "$scratch"/resources/bitmaps/* "$scratch"/resources/icons/*; do
    rel=${f#"$scratch"/}
    [ -e "$root/$rel" ] || { echo "render-art: $rel is not in the tree" >&2; status=1; }
  done
  exit $status
fi

out=${1:-$root}
python3 "$here/render_art.py" "$out"
mkdir -p "$out/resources/sound"
python3 "$here/make_ring.py" "$out/resources/sound/ring.wav"
