#!/usr/bin/env bash
# Draws the program's artwork from shapes and text (ImageMagick), then embeds it (embed.sh).
# The splash must not contain the splash colour key RGB(212,120,120), or holes would appear.
set -euo pipefail
cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Splash, 300 x 167: a deep blue-to-teal field, three stacked photo frames, the name.
convert -size 300x167 gradient:'#173a5e'-'#0f6f78' -rotate 0 \
  -fill '#ffffff22' -draw 'circle 262,28 330,28' \
  -fill '#ffffff14' -draw 'circle 20,160 90,160' \
  -stroke '#ffffff' -strokewidth 2 \
  -fill '#f2c14e' -draw 'roundrectangle 214,60 274,108 4,4' \
  -fill '#e76f51' -draw 'roundrectangle 222,70 282,118 4,4' \
  -fill '#2a9d8f' -draw 'roundrectangle 230,80 290,128 4,4' \
  -stroke none -fill '#ffffff' -draw 'polygon 238,120 252,100 262,112 270,104 282,120' \
  -fill '#ffffff' -draw 'circle 276,90 279,90' \
  -font "$FONT" -pointsize 26 -fill '#ffffff' -annotate +28+40 'Gramvista' \
  -fill '#ffffffaa' -draw 'rectangle 30,48 200,49' \
  -depth 8 -type TrueColor -define png:color-type=2 splash.png

# Window icon: a rounded tile with a photo frame and a download arrow.
convert -size 128x128 xc:none \
  -fill '#0f6f78' -draw 'roundrectangle 4,4 123,123 22,22' \
  -stroke '#ffffff' -strokewidth 6 -fill '#2a9d8f' -draw 'roundrectangle 22,26 106,90 8,8' \
  -stroke none -fill '#ffffff' -draw 'polygon 30,84 56,50 72,70 84,58 100,84' \
  -fill '#f2c14e' -draw 'circle 88,42 95,42' \
  -fill '#ffffff' -draw 'polygon 50,98 78,98 78,104 90,104 64,122 38,104 50,104' \
  -depth 8 icon-128.png
for s in 48 32 16; do convert icon-128.png -resize ${s}x${s} -depth 8 icon-$s.png; done

./embed.sh
