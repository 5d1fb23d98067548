#!/usr/bin/env bash
# Renders the committed PNG icons from numberwell.svg; run it again after changing the SVG.
# Needs ImageMagick's convert. Dates are left out so that an unchanged SVG gives unchanged files.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 256; do
    convert -background none -density 288 numberwell.svg -resize "${size}x${size}" -strip \
        -define png:exclude-chunks=date,time "png32:numberwell-$size.png"
done
