#!/bin/bash
# Draws the installer's banner, assets/banner.jpg: 614 x 237 pixels (the window's inner width
# follows from it), baseline JPEG, YCbCr with the chroma halved both ways (2x2,1x1,1x1), JFIF
# at 96 dots per inch, no other metadata. Run by hand when the banner changes; the result is
# committed and carried inside the installer at build time.
# Needs ImageMagick (convert, identify) and the DejaVu fonts (Debian: fonts-dejavu-core).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/assets/banner.jpg}
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
book=$fonts/DejaVuSans.ttf
for f in "$bold" "$book"; do
  [ -r "$f" ] || { echo "missing font $f (apt-get install fonts-dejavu-core)" >&2; exit 1; }
done

width=614
height=237
navy='#13294B'
teal='#1E7A96'
amber='#F2A541'

# A horizontal navy-to-teal ground, a rising bar chart and a trend line for "production" on the
# right, the name, what the product does and its version on the left.
convert -size ${width}x${height} -define gradient:direction=East "gradient:${navy}-${teal}" \
  \( -size ${width}x${height} xc:none -fill 'rgba(255,255,255,0.06)' \
     -draw 'circle 560,40 560,230' -draw 'circle 610,250 610,380' \) -composite \
  \( -size ${width}x${height} xc:none -fill 'rgba(255,255,255,0.16)' \
     -draw 'roundrectangle 402,150 426,200 4,4' \
     -draw 'roundrectangle 438,126 462,200 4,4' \
     -draw 'roundrectangle 474,138 498,200 4,4' \
     -draw 'roundrectangle 510,100 534,200 4,4' \
     -draw 'roundrectangle 546,72 570,200 4,4' \
     -fill 'rgba(255,255,255,0.35)' -draw 'rectangle 392,203 580,205' \) -composite \
  -stroke "$amber" -strokewidth 3 -fill none \
  -draw 'line 414,136 450,112' -draw 'line 450,112 486,124' \
  -draw 'line 486,124 522,86' -draw 'line 522,86 558,58' \
  -stroke none -fill "$amber" \
  -draw 'circle 414,136 418,136' -draw 'circle 450,112 454,112' -draw 'circle 486,124 490,124' \
  -draw 'circle 522,86 526,86' -draw 'circle 558,58 562,58' \
  -fill white -font "$bold" -pointsize 60 -annotate +34+104 'Tovalu' \
  -fill "$amber" -draw 'rectangle 38,122 118,125' \
  -fill '#DCE8F2' -font "$book" -pointsize 21 -annotate +36+160 'Gestion de la production' \
  -fill '#A9C4D8' -font "$book" -pointsize 14 -annotate +37+192 'Version 2' \
  -strip -colorspace sRGB -type TrueColor \
  -sampling-factor 2x2,1x1,1x1 -interlace none -quality 92 \
  -units PixelsPerInch -density 96 \
  "jpeg:$out"

identify -format '%f: %wx%h %[jpeg:sampling-factor] %[interlace] %x x %y %U, %b\n' "$out"
