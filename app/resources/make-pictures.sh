#!/usr/bin/env bash
# Redraws the JPEG pictures of the main window and the splash (ImageMagick). The pictures are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"

# A sieve at x,y scaled by s: a bowl with a mesh.
sieve() {
  local x=$1 y=$2 s=$3
  args+=(-stroke 'rgba(255,255,255,0.85)' -strokewidth $((2 * s)) -fill none
    -draw "ellipse $x,$y $((26 * s)),$((8 * s)) 0,360"
    -draw "arc $((x - 26 * s)),$((y - 30 * s)) $((x + 26 * s)),$((y + 30 * s)) 0,180"
    -stroke 'rgba(255,255,255,0.45)' -strokewidth "$s")
  for dx in -16 -8 0 8 16; do
    args+=(-draw "line $((x + dx * s)),$((y + 3 * s)) $((x + dx * s * 7 / 10)),$((y + 26 * s))")
  done
  args+=(-draw "line $((x - 22 * s)),$((y + 14 * s)) $((x + 22 * s)),$((y + 14 * s))")
}

args=(-size 800x76 -define gradient:angle=90 'gradient:#16365f-#1f7a8c'
  -fill 'rgba(255,255,255,0.06)' -stroke none
  -draw 'circle 700,10 790,60' -draw 'circle 610,80 650,120')
sieve 44 28 1
args+=(-stroke none -fill white -font Lato-Black -pointsize 32 -annotate +84+44 'Sievra'
  -fill '#cfe6ee' -font Lato-Regular -pointsize 13
  -annotate +86+64 'Screens your POP3 mailboxes before your mail client fetches them'
  -quality 90 -strip header.jpg)
convert "${args[@]}"

args=(-size 420x250 -define gradient:angle=135 'gradient:#16365f-#237f8f'
  -fill 'rgba(255,255,255,0.07)' -stroke none
  -draw 'circle 360,40 470,120' -draw 'circle 60,250 120,300')
sieve 76 64 2
args+=(-stroke none -fill white -font Lato-Black -pointsize 44 -annotate +150+86 'Sievra'
  -fill '#cfe6ee' -font Lato-Regular -pointsize 14
  -annotate +152+110 'POP3 mailbox screening'
  -quality 90 -strip splash.jpg)
convert "${args[@]}"
