#!/bin/sh
# Redraws the program's icons (ImageMagick). The PNGs are committed; run this only to change them.
set -e
cd "$(dirname "$0")/icons"
C="convert -size 32x32 xc:none"
# 128: program icon, a shield with a keyhole, drawn on a 32-unit grid; program_icon SIZE ARGS...
# scales it to SIZE and hands ARGS (options, then the output file) to convert
program_icon() {
  f=$(awk "BEGIN { print $1 / 32 }")
  size=$1
  shift
  convert -size "${size}x$size" xc:none -fill '#1f4fbf' -stroke '#0b2a73' -strokewidth 1.5 \
     -draw "scale $f,$f path 'M16,2 L28,6 L27,18 Q25,26 16,30 Q7,26 5,18 L4,6 Z'" \
     -fill white -stroke none -draw "scale $f,$f circle 16,13 16,9" \
     -draw "scale $f,$f polygon 14,15 18,15 19,24 13,24" "$@"
}
program_icon 32 128.png
# The same icon for the desktop's icon theme (32 x 32 is 128.png itself); -strip keeps the
# files free of time stamps, so redrawing them changes nothing.
mkdir -p ../linux/icons
for s in 16 22 24 48 64 128 256; do program_icon "$s" -strip "../linux/icons/$s.png"; done
# 129: Connect, a closed plug
$C -fill '#2e9b3a' -stroke '#14561c' -strokewidth 1.5 -draw "roundrectangle 6,10 26,24 4,4" \
   -stroke '#14561c' -strokewidth 3 -draw "line 11,3 11,10" -draw "line 21,3 21,10" -draw "line 16,24 16,30" 129.png
# 131: Disconnect, an unplugged cable with a gap
$C -fill '#c0392b' -stroke '#6e1a12' -strokewidth 1.5 -draw "roundrectangle 4,14 13,22 3,3" -draw "roundrectangle 19,10 28,18 3,3" \
   -stroke '#6e1a12' -strokewidth 3 -draw "line 1,18 4,18" -draw "line 28,14 31,14" \
   -strokewidth 2 -draw "line 14,8 18,24" 131.png
# 133: disconnected, grey globe with a red bar
$C -fill '#9aa0a6' -stroke '#5f6368' -strokewidth 1.5 -draw "circle 16,16 16,3" \
   -fill none -draw "ellipse 16,16 6,13 0,360" -draw "line 3,16 29,16" \
   -stroke '#d93025' -strokewidth 3 -draw "line 6,26 26,6" 133.png
# 134: connected, green globe with a tick
$C -fill '#34a853' -stroke '#1e6b34' -strokewidth 1.5 -draw "circle 16,16 16,3" \
   -fill none -draw "ellipse 16,16 6,13 0,360" -draw "line 3,16 29,16" \
   -stroke white -strokewidth 3 -draw "polyline 9,16 14,22 24,10" 134.png
# 136 and 137: connecting, two frames of a spinning arc
$C -fill '#fbbc04' -stroke '#a06f00' -strokewidth 1.5 -draw "circle 16,16 16,3" \
   -fill none -stroke '#1a73e8' -strokewidth 3 -draw "arc 7,7 25,25 180,360" 136.png
$C -fill '#fbbc04' -stroke '#a06f00' -strokewidth 1.5 -draw "circle 16,16 16,3" \
   -fill none -stroke '#1a73e8' -strokewidth 3 -draw "arc 7,7 25,25 0,180" 137.png
