#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (rsvg-convert from
# librsvg2-bin) and packs them into the Windows icon (icotool from icoutils),
# 256 px as PNG the way Windows Vista and later read it. The PNGs and the .ico
# are committed, so a build needs neither tool; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
name=hu.belvarium.Belvarium
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" -o "${size}x${size}/$name.png" "$name.svg"
done
icotool -c -o "$name.ico" {16,24,32,48,64,128}x*/"$name.png" --raw=256x256/"$name.png"
