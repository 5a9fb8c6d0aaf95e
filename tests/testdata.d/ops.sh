#!/bin/sh
# Pictures for the image operations: a small source at each working depth
# (odd sizes, so sub-byte rows are padded) and ImageMagick's results of the
# same edits on what each source shows, as reference PPMs.
# Usage: ops.sh OUTDIR
set -eu
OUT=$1
mkdir -p "$OUT"
cd "$OUT"

convert -size 13x7 gradient:'#ff2000'-'#0040ff' \
    -fill '#ffff00' -draw 'rectangle 2,1 6,3' -fill '#00a000' -draw 'point 11,5' ops_src.ppm

ppm() { convert "$@" -alpha off -depth 8 ppm:-; }

convert ops_src.ppm -colors 2 -type palette -compress None BMP3:ops_bit1.bmp
convert ops_src.ppm -colors 16 -type palette -compress None BMP3:ops_bit4.bmp
# ImageMagick picks 4 bits for so few colours; netpbm writes the 8 asked for.
ppmtobmp -quiet -windows -bpp 8 ops_src.ppm > ops_bit8.bmp
convert ops_src.ppm -type truecolor -compress None BMP3:ops_bit24.bmp

for bits in 1 4 8 24; do
    name=ops_bit$bits
    ppm $name.bmp > $name.ppm
    ppm $name.ppm -rotate 90 > ${name}_right.ppm
    ppm $name.ppm -rotate -90 > ${name}_left.ppm
    ppm $name.ppm -flip > ${name}_flip.ppm
    ppm $name.ppm -flop > ${name}_flop.ppm
    ppm $name.ppm -negate > ${name}_negate.ppm
    # 5 x 4 from column 3, row 2 counted from the top
    ppm $name.ppm -crop 5x4+3+2 +repage > ${name}_crop.ppm
done

# Box averaging: 2:1 and 3:1 in both directions.
convert -size 48x30 -seed 3 plasma:fractal -depth 8 -type truecolor -compress None BMP3:ops_plasma.bmp
ppm ops_plasma.bmp -scale 24x15 > ops_plasma_half.ppm
ppm ops_plasma.bmp -scale 16x10 > ops_plasma_third.ppm
rm -f ops_src.ppm
