#!/bin/sh
# Pictures with names in Greek, Chinese and an emoji, in a folder named in all
# three, for the tests of names in any language; beside them ImageMagick's
# decoding of each (for the JPEG djpeg's, with the reader's fast DCT) as raw
# RGB under a plain name.
set -eu
out=$1/names
dir="$out/Φωτογραφίες 写真 📷"
mkdir -p "$dir"
greek="$dir/Ελληνικά.jpg"
chinese="$dir/写真 2026.png"
emoji="$dir/📷 café.gif"
# A band across the top over a flat field, so the middle of each is one colour.
[ -f "$greek" ] || convert -size 40x32 xc:'#c83028' -fill '#203070' -draw 'rectangle 0,0 39,7' \
    -quality 95 -sampling-factor 1x1 "$greek"
[ -f "$chinese" ] || convert -size 36x24 xc:'#30a050' -fill '#f0e020' -draw 'rectangle 0,0 35,5' \
    -type truecolor PNG24:"$chinese"
[ -f "$emoji" ] || convert -size 30x20 xc:'#2050d0' -fill '#ffffff' -draw 'rectangle 0,0 29,3' "$emoji"
djpeg -dct fast -nosmooth -ppm "$greek" | convert ppm:- -depth 8 RGB:"$out/greek.rgb"
convert "$chinese" -depth 8 RGB:"$out/chinese.rgb"
convert "$emoji" -depth 8 RGB:"$out/emoji.rgb"
# Three days apart, oldest first: the date orders are known.
touch -d '2026-01-01 10:00' "$greek"
touch -d '2026-01-02 10:00' "$chinese"
touch -d '2026-01-03 10:00' "$emoji"
# A name in Windows-1252 bytes (é is E9) as an older program sends it.
cp "$emoji" "$out/café.gif"
