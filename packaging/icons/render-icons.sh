#!/usr/bin/env bash
# Renders the player's icon (integration/movra-player.svg, the one source) into the PNG sizes
# of the hicolor theme beside this script. Run it after changing the drawing and commit the
# PNGs: the build installs them as they are and needs no SVG renderer of its own.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
svg="$here/../../integration/movra-player.svg"
for size in 16 22 24 32 48 64 128 256; do
  out="$here/hicolor/${size}x${size}/apps/movra-player.png"
  mkdir -p "$(dirname "$out")"
  rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio "$svg" --output "$out"
done
