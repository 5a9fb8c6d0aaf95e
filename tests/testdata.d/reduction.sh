#!/bin/sh
# Pictures for the colour reductions: a photo-like picture (a plasma field
# over a gradient with a little noise, as the benchmark's) and ImageMagick's
# reductions of it to at most 256, 16 and 2 colours, kept as 24-bit BMPs.
# Usage: reduction.sh OUTDIR
set -eu
OUT=$1
mkdir -p "$OUT"
cd "$OUT"

convert -seed 11 -size 80x60 plasma:fractal -resize '320x240!' \
    '(' -size 320x240 gradient:skyblue-darkgreen ')' -compose overlay -composite \
    -seed 11 -attenuate 0.3 +noise Gaussian -type TrueColor -compress None BMP3:red_photo.bmp
for n in 256 16 2; do
    convert red_photo.bmp -dither None -colors "$n" -type TrueColor -compress None BMP3:"red_c$n.bmp"
done
