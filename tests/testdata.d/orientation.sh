#!/bin/sh
# Photos stored sideways: a JPEG with each Exif orientation (set by exiftool)
# and a TIFF with each orientation tag (set by tiffset), in strips and as
# separate planes, each with ImageMagick's -auto-orient view as reference.
# Usage: tests/testdata.d/orientation.sh OUTDIR
set -eu

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
mkdir -p "$1"
cd "$1"

# Odd sides, and corners that tell every turn and flip apart.
convert -size 37x21 gradient:'#ff2000'-'#0040ff' \
    -fill '#ffff00' -draw 'rectangle 0,0 11,6' \
    -fill '#00a000' -draw 'rectangle 30,15 36,20' \
    -fill '#ffffff' -draw 'rectangle 30,0 36,4' -depth 8 orient_src.ppm
convert orient_src.ppm -quality 95 -sampling-factor 1x1 orient_plain.jpg
convert orient_src.ppm -depth 8 -compress None orient_plain.tif
for v in 1 2 3 4 5 6 7 8; do
    cp orient_plain.jpg "orient_$v.jpg"
    exiftool -q -overwrite_original -n -Orientation="$v" "orient_$v.jpg"
    convert "orient_$v.jpg" -auto-orient -depth 8 "ppm:orient_$v.jpg.ppm"
    cp orient_plain.tif "orient_$v.tif"
    tiffset -s 274 "$v" "orient_$v.tif"
    tiffcp -p separate "orient_$v.tif" "orient_planes_$v.tif"
    convert "orient_$v.tif" -auto-orient -depth 8 "ppm:orient_$v.tif.ppm"
done
# The stored rows of the JPEG, for loads that leave the picture as it is.
convert orient_plain.jpg -depth 8 ppm:orient_plain.jpg.ppm

# A camera photo: Exif with orientation 6, a maker, a thumbnail; and an ICC
# profile (a bare header padded past one APP2 marker's room, so it travels
# in two chunks).
convert orient_src.ppm -resize 8x5 -quality 80 meta_thumb.jpg
{ printf '\000\001\021\160'; printf 'lcms'; printf '\002\020\000\000'; printf 'mntrRGB XYZ '
  head -c 12 /dev/zero; printf 'acsp'; head -c 92 /dev/zero; head -c 69868 /dev/zero; } > meta_profile.icc
cp orient_plain.jpg meta_photo.jpg
exiftool -q -overwrite_original -n -Orientation=6 -Make=Lumatest -Model=Cam1 \
    "-ThumbnailImage<=meta_thumb.jpg" "-ICC_Profile<=meta_profile.icc" meta_photo.jpg
