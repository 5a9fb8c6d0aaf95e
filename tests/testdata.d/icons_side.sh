#!/bin/sh
# Icons and cursors from icotool and ImageMagick, Photo CD packs from
# ImageMagick, EPS files with a TIFF preview, Casio camera files and G3 fax
# files from netpbm, each with a reference PPM from an independent decoder.
# Usage: icons_side.sh OUTDIR
set -eu

OUT=$1
mkdir -p "$OUT"
cd "$OUT"

# The colour picture of the other tests, and a copy whose top-left 6 x 5
# corner is transparent (icotool turns transparency into the mask).
convert -size 37x21 gradient:'#ff2000'-'#0040ff' -fill '#ffff00' -draw 'rectangle 4,3 17,9' \
    -fill '#00a000' -draw 'circle 28,14 33,17' -depth 8 ic_src.png
convert ic_src.png -alpha set -channel A -fx 'i<6&&j<5?0:1' +channel ic_alpha.png
convert ic_alpha.png -colors 16 -type palette ic_p16.png
convert ic_alpha.png -colors 200 -type palette ic_p200.png
convert ic_alpha.png -colors 2 -type palette ic_p2.png
# What a viewer that paints masked pixels white shows.
ref() { convert "$1" -background white -flatten -alpha off -depth 8 "ppm:$2"; }

icotool -c -b 1 -o ic_b1.ico ic_p2.png && ref ic_p2.png ic_b1.ppm
icotool -c -b 4 -o ic_b4.ico ic_p16.png && ref ic_p16.png ic_b4.ppm
icotool -c -b 8 -o ic_b8.ico ic_p200.png && ref ic_p200.png ic_b8.ppm
icotool -c -b 24 -o ic_b24.ico ic_alpha.png && ref ic_alpha.png ic_b24.ppm
icotool -c -b 32 -o ic_b32.ico ic_alpha.png && ref ic_alpha.png ic_b32.ppm
icotool -c --cursor --hotspot-x=3 --hotspot-y=4 -b 8 -o ic_cur8.cur ic_p200.png && ref ic_p200.png ic_cur8.ppm
# Several images in one file: ImageMagick's, the first one the reference.
convert ic_src.png \( ic_src.png -resize 16x16! \) ico:ic_multi.ico
ref ic_src.png ic_multi.ppm
rm -f ic_alpha.png ic_p16.png ic_p200.png ic_p2.png

# Photo CD image packs (768 x 512 base; ImageMagick decodes its base/16,
# base/4 and base images) and ImageMagick's decode of each size.
convert -size 768x512 -seed 3 plasma:fractal -fill '#ffffff' -draw 'rectangle 40,30 200,90' \
    -fill '#000000' -draw 'rectangle 400,300 600,420' -depth 8 pcd_src.ppm
convert pcd_src.ppm PCD:pcd_pack.pcd
convert -size 192x128 pcd_pack.pcd -depth 8 ppm:pcd_pack_0.ppm
convert -size 384x256 pcd_pack.pcd -depth 8 ppm:pcd_pack_1.ppm
convert pcd_pack.pcd -depth 8 ppm:pcd_pack_2.ppm
rm -f pcd_src.ppm

# EPS with a TIFF preview: the DOS binary header (magic, PostScript offset
# and length, no metafile, TIFF offset and length, checksum 0) in front of
# netpbm's PostScript and ImageMagick's TIFF.
convert ic_src.png -depth 8 ppm:eps_src.ppm
pnmtops -quiet eps_src.ppm > eps_part.ps
convert eps_src.ppm -compress lzw TIFF:eps_part.tif
cp eps_src.ppm eps_preview.ppm
ps=$(wc -c < eps_part.ps)
tif=$(wc -c < eps_part.tif)
le32() { printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
{ printf '\305\320\323\306'; le32 30; le32 "$ps"; le32 0; le32 0; le32 $((30 + ps)); le32 "$tif"; printf '\377\377'
  cat eps_part.ps eps_part.tif; } > eps_preview.eps
{ printf '\305\320\323\306'; le32 30; le32 "$ps"; le32 0; le32 0; le32 0; le32 0; printf '\377\377'
  cat eps_part.ps; } > eps_nopreview.eps
rm -f eps_part.ps eps_part.tif eps_src.ppm

# Casio camera file: 54 header bytes (starting 07 20 4D) before a JPEG.
convert ic_src.png -quality 90 JPEG:cam_part.jpg
convert cam_part.jpg -depth 8 ppm:cam.ppm
{ printf '\007\040\115'; head -c 51 /dev/zero; cat cam_part.jpg; } > cam.cam
rm -f cam_part.jpg

# G3 fax: netpbm's encoder, and its decoder's picture as the reference
# (pbmtog3 pads every row to 1728 pixels).
convert ic_src.png -resize 300x200! -threshold 50% pbm:g3_shapes.pbm
convert -size 1728x160 -seed 5 plasma:fractal -colorspace gray -threshold 50% pbm:g3_noise.pbm
convert -size 1728x40 xc:white -fill black -draw 'rectangle 0,5 1727,9' -draw 'rectangle 100,20 1700,30' \
    pbm:g3_long.pbm
for f in g3_shapes g3_noise g3_long; do
    pbmtog3 "$f.pbm" > "$f.g3"
    g3topbm "$f.g3" | convert pbm:- -depth 8 "ppm:$f.ppm"
    rm -f "$f.pbm"
done
rm -f ic_src.png
