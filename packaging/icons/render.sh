#!/usr/bin/env bash
# Renders the PNG icons from vantory.svg: one per hicolor size, and the window icon that
# the program carries in its resources (app/vantory.png, 64 px). The PNGs are committed,
# so only a change to the SVG needs this script; it uses rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || {
  echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2
  exit 1
}
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x$size"
  rsvg-convert --width "$size" --height "$size" vantory.svg --output "${size}x$size/vantory.png"
done
cp 64x64/vantory.png ../../app/vantory.png
