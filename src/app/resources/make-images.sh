#!/usr/bin/env bash
# Draws the logo and the program icon (ImageMagick): a red tile with a white envelope and a
# folded corner, the program's own design. Run by hand; the images are committed.
set -euo pipefail
cd "$(dirname "$0")"
draw() {  # size output
  convert -size 192x192 xc:none \
    -fill '#C00000' -draw 'roundrectangle 4,4 187,187 36,36' \
    -fill white -draw 'rectangle 34,56 158,140' \
    -stroke '#C00000' -strokewidth 10 -fill none -draw 'polyline 38,60 96,108 154,60' \
    -stroke none -fill white -draw 'polygon 120,140 158,140 158,172 ' \
    -resize "$1x$1" "PNG32:$2"
}
draw 48 logo.png
for s in 16 24 32 48; do draw "$s" "icon-$s.png"; done
convert icon-16.png icon-24.png icon-32.png icon-48.png tolvane.ico
