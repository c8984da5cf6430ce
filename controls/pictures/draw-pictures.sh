#!/bin/sh
# Draws the default pictures of the navigation buttons with ImageMagick: each file
# holds two 20 x 20 frames side by side, normal and disabled (grey, with a white
# shadow one pixel down and right). Run from this folder; the PNG files are kept
# in the repository, so the build does not need ImageMagick.
set -e

# frame <out> <fill> <stroke> <dx> <dy> <draw commands>
# The word FILL in the commands stands for the frame's fill colour; dx/dy shift
# the whole drawing.
frame() {
    out=$1 fill=$2 stroke=$3 shift_xy="$4,$5"
    shift 5
    commands=$(echo "$*" | sed "s/FILL/'$fill'/g")
    convert -size 20x20 xc:none -fill "$fill" -stroke "$stroke" -strokewidth 1 \
        -draw "translate $shift_xy $commands" "$out"
}

# picture <NAME> <normal fill> <normal stroke> <draw commands>
picture() {
    name=$1 fill=$2 stroke=$3
    shift 3
    tmp=$(mktemp -d)
    frame "$tmp/n.png" "$fill" "$stroke" 0 0 "$@"
    frame "$tmp/s.png" white white 1 1 "$@"
    frame "$tmp/g.png" '#8c8c8c' '#8c8c8c' 0 0 "$@"
    convert "$tmp/s.png" "$tmp/g.png" -composite "$tmp/d.png"
    convert "$tmp/n.png" "$tmp/d.png" +append +repage -depth 8 -strip "dbn_$name.png"
    rm -r "$tmp"
}

NAV='#1f4e9c'
NAVS='#0d2a5c'
picture FIRST   "$NAV" "$NAVS" "rectangle 4,4 6,15 polygon 15,4 15,15 8,9.5"
picture PRIOR   "$NAV" "$NAVS" "polygon 13,4 13,15 6,9.5"
picture NEXT    "$NAV" "$NAVS" "polygon 7,4 7,15 14,9.5"
picture LAST    "$NAV" "$NAVS" "polygon 5,4 5,15 12,9.5 rectangle 14,4 16,15"
picture INSERT  '#2e9a3a' '#16561d' "rectangle 8,3 11,16 rectangle 3,8 16,11"
picture DELETE  '#c8322d' '#6e1512' "rectangle 3,8 16,11"
picture EDIT    '#e08a1e' '#7a4507' "polygon 4,16 5,12 13,4 16,7 8,15"
picture POST    '#2e9a3a' '#16561d' "polygon 3,10 6,7 8,10 14,3 17,6 8,16"
picture CANCEL  '#c8322d' '#6e1512' \
    "polygon 4,6 6,4 10,8 14,4 16,6 12,10 16,14 14,16 10,12 6,16 4,14 8,10"
picture REFRESH '#1f4e9c' '#0d2a5c' \
    "fill none stroke-width 2.5 arc 3,4 16,17 20,290" \
    "stroke-width 1 fill FILL polygon 11,1 17,5 11,9"
