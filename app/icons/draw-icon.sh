#!/bin/sh
# Draws the tool's icon with ImageMagick: a red price tag, tilted, with a white percent
# sign and a string from its hole. Drawn once at 512 x 512 and scaled down to the
# sizes of the freedesktop icon theme. Run from this folder; the PNG files are kept in
# the repository, so the build does not need ImageMagick.
set -e

tmp=$(mktemp -d)
trap 'rm -r "$tmp"' EXIT

# The tag points left before it is turned by 45 degrees about the centre.
turn="translate 256,256 rotate 45 translate -256,-256"
convert -size 512x512 xc:none \
    -fill '#d93a1f' -stroke '#8c1a0a' -strokewidth 14 -draw "stroke-linejoin round $turn
        polygon 48,256 170,122 464,122 464,390 170,390" \
    -fill '#ffffff' -stroke '#8c1a0a' -strokewidth 10 -draw "$turn circle 142,256 164,256" \
    -fill none -stroke '#7a5230' -strokewidth 12 -draw "stroke-linecap round
        path 'M 175,175 C 120,110 70,140 36,40'" \
    -fill none -stroke '#ffffff' -strokewidth 22 -draw "
        circle 250,250 276,250 circle 346,346 372,346" \
    -draw "stroke-linecap round line 366,226 230,370" \
    "$tmp/master.png"

for size in 16 24 32 48 64 128 256; do
    convert "$tmp/master.png" -filter Lanczos -resize "${size}x${size}" -depth 8 -strip \
        "tarnpromotion-$size.png"
done
