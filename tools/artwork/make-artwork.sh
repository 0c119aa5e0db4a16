#!/usr/bin/env bash
# Draws the main window's artwork (250 x 350): a moonlit sky over hills with
# the game's name.  Output: assets/artwork.bmp (24-bit, as a BITMAP resource wants).
# Needs ImageMagick.  Deterministic: the stars come from a fixed-seed generator.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../assets/artwork.bmp}

stars=$(awk 'BEGIN { srand(7); for (i = 0; i < 70; i++) {
  x = int(rand() * 250); y = int(rand() * 210); r = (rand() < 0.15) ? 1.4 : 0.7;
  printf "circle %d,%d %.1f,%d ", x, y, x + r, y } }')

convert -size 250x350 gradient:'#0b1030'-'#3a4f8f' \
  -fill '#fff6d0' -draw "$stars" \
  \( -size 250x350 xc:none -fill '#fff3c4' -draw 'circle 170,85 170,45' -blur 0x10 \) -composite \
  -fill '#fffbe8' -draw 'circle 170,85 170,50' \
  -fill '#e8dfb8' -draw 'circle 158,75 158,68' -draw 'circle 182,98 182,93' -draw 'circle 165,102 165,99' \
  -fill '#1a2248' -draw 'path "M 0,270 Q 60,215 120,255 T 250,235 L 250,350 L 0,350 Z"' \
  -fill '#0e142e' -draw 'path "M 0,300 Q 80,255 150,290 T 250,285 L 250,350 L 0,350 Z"' \
  -fill '#0e142e' -draw 'polygon 38,300 44,262 50,300' -draw 'polygon 200,292 206,250 212,292' \
  -fill '#f4e7b0' -stroke '#7a6a30' -strokewidth 1 -font DejaVu-Serif-Bold -pointsize 30 \
  -gravity south -annotate +0+22 'LUNAVIRE' \
  -stroke none -fill '#c9c2a0' -font DejaVu-Serif -pointsize 11 -annotate +0+8 '~ the moon remembers ~' \
  -type TrueColor BMP3:"$out"
echo "$out"

# The program's icon: the moon over the night sky of the artwork, in the sizes
# Explorer, the task bar and the elevation prompt ask for.
icon=$(dirname "$out")/setup.ico
convert "$out" -crop 150x150+95+10 +repage \
  \( -clone 0 -resize 16x16 \) \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 48x48 \) \
  -delete 0 "$icon"
echo "$icon"
