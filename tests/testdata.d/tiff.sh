#!/bin/sh
# TIFF test pictures from ImageMagick and the libtiff tools, each with a
# reference PPM of what it shows.
# Usage: tests/testdata.d/tiff.sh OUTDIR
set -eu

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
mkdir -p "$1"
cd "$1"

# The same small picture as the BMP set (odd width: padded rows), and a
# larger one that spans several strips, tiles and bands.
convert -size 37x21 gradient:'#ff2000'-'#0040ff' \
    -fill '#ffff00' -draw 'rectangle 4,3 17,9' \
    -fill '#00a000' -draw 'circle 28,14 33,17' -depth 8 tif_src.ppm
convert -size 211x97 -seed 7 plasma:fractal -depth 8 tif_big.ppm

# Colour, uncompressed, then recompressed by tiffcp.
convert tif_src.ppm -depth 8 -compress None tif_rgb.tif
for c in lzw packbits zip; do
    tiffcp -c "$c" tif_rgb.tif "tif_$c.tif"
done
cp tif_zip.tif tif_zip_old.tif
tiffset -s 259 32946 tif_zip_old.tif 2>/dev/null  # the older code of the same Deflate coding
convert tif_big.ppm -depth 8 -compress None tif_big.tif
tiffcp -c lzw -r 8 tif_big.tif tif_big_lzw.tif

# Lossy: the reference is ImageMagick's own decoding of the same file.
tiffcp -c jpeg -r 16 tif_big.tif tif_jpeg.tif
convert tif_jpeg.tif -depth 8 ppm:tif_jpeg.ppm

# Tiles, and separate planes, which libtiff renders for us.
tiffcp -t -w 32 -l 16 tif_big.tif tif_tiled.tif
tiffcp -p separate -r 5 -c lzw tif_big.tif tif_planar.tif
# Bottom-up row order, on both routes.
cp tif_rgb.tif tif_orient4.tif
tiffset -s 274 4 tif_orient4.tif
cp tif_tiled.tif tif_tiled_orient4.tif
tiffset -s 274 4 tif_tiled_orient4.tif
cp tif_planar.tif tif_planar_orient4.tif
tiffset -s 274 4 tif_planar_orient4.tif
convert tif_src.ppm -flip tif_orient4.ppm
convert tif_big.ppm -flip tif_big_flipped.ppm
# Many strips, stored bottom row first, and of 16-bit samples.
cp tif_big_lzw.tif tif_big_lzw_orient4.tif
tiffset -s 274 4 tif_big_lzw_orient4.tif
convert tif_big.ppm -depth 16 -compress None tif_big16.tif
tiffcp -c lzw -r 5 tif_big16.tif tif_big16_lzw.tif

# 16-bit samples (an 8-bit source, so their high bytes are exact).
convert tif_src.ppm -depth 16 tif_rgb16.tif
convert tif_src.ppm -colorspace gray -depth 8 tif_grey.ppm
convert tif_grey.ppm -depth 16 tif_grey16.tif
convert tif_grey.ppm -alpha set -channel A -evaluate set 50% +channel -depth 8 tif_grey_alpha.tif
convert tif_grey.ppm -alpha set -channel A -evaluate set 50% +channel -depth 16 tif_grey_alpha16.tif
convert tif_src.ppm -alpha set -channel A -evaluate set 50% +channel -depth 8 tif_rgba.tif
# Min-is-white grey: the same values, shown inverted.
convert tif_grey.ppm -depth 8 -define quantum:polarity=min-is-white tif_grey_miw.tif
convert tif_grey_miw.tif -depth 8 ppm:tif_grey_miw.ppm

# Palettes of 2 and 16 colours.
for n in 2 16; do
    convert tif_src.ppm -colors "$n" -type palette -depth 8 "tif_pal$n.tif"
    convert "tif_pal$n.tif" -depth 8 "ppm:tif_pal$n.ppm"
done

# Bilevel: min-is-black, and min-is-white as faxes are, in every fax coding.
convert tif_src.ppm -monochrome -depth 1 -compress None tif_bw.tif
convert tif_bw.tif -depth 8 ppm:tif_bw.ppm
convert tif_src.ppm -monochrome -depth 1 -define quantum:polarity=min-is-white -compress None tif_bw_miw.tif
for c in g3 g4; do
    tiffcp -c "$c" tif_bw_miw.tif "tif_$c.tif"
done

# CMYK, from ImageMagick (its own conversion, so only checked loosely).
convert tif_src.ppm -colorspace CMYK -depth 8 tif_cmyk.tif

# Three pages of different kinds, also as BigTIFF.
tiffcp tif_rgb.tif tif_pal16.tif tif_g4.tif tif_pages3.tif
tiffcp -8 tif_rgb.tif tif_pal16.tif tif_g4.tif tif_pages3_big.tif

exit 0
