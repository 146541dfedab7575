#!/usr/bin/env bash
# Renders the program's icon, data/icons/hicolor/scalable/apps/velloran.svg, to the PNG sizes
# beside it. The PNGs are kept in git, so only a changed SVG needs this (and librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/packages.sh"
ensure_packages librsvg2-bin
icons="$here/data/icons/hicolor"
for size in 16 22 24 32 48 64 128 256 512; do
  mkdir -p "$icons/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "$icons/scalable/apps/velloran.svg" -o "$icons/${size}x${size}/apps/velloran.png"
done
