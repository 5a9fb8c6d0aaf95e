#!/bin/sh
# Pictures for the batch conversion tests, made by ImageMagick: five small
# JPEGs, a PNG that shares a base name with one of them in another folder,
# and a file that only looks like a JPEG by its name.
# Usage: files.sh OUTDIR
set -eu
OUT=$1/batch
mkdir -p "$OUT/one" "$OUT/two"
for i in 1 2 3 4 5; do
    convert -size $((10 + i))x$((8 + i)) "xc:rgb($((i * 40)),120,60)" -quality 90 "$OUT/one/pic$i.jpg"
done
convert -size 9x7 gradient:red-blue "$OUT/two/pic1.png"
echo "not a picture" > "$OUT/one/broken.jpg"
