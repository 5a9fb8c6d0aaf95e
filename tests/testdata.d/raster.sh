#!/bin/sh
# PCX, DCX, Targa, Sun raster, Photoshop, IFF/ILBM and PBM/PGM/PPM test
# pictures from ImageMagick and netpbm, each with a reference PPM decoded by
# ImageMagick or by netpbm's own reader (ilbmtoppm for IFF, which ImageMagick
# does not read).
# Usage: raster.sh OUTDIR
set -eu

OUT=$1
mkdir -p "$OUT"
cd "$OUT"

# Few colours with flat areas and an odd width; many colours in a picture
# larger than the byte source's 16 KB window.
convert -size 37x21 gradient:'#ff2000'-'#0040ff' -fill '#ffff00' -draw 'rectangle 4,3 17,9' \
    -fill '#00a000' -draw 'circle 28,14 33,17' -depth 8 ppm:ra_src.ppm
convert -size 211x97 -seed 7 plasma:fractal -depth 8 ppm:ra_big.ppm
pnmquant 16 ra_src.ppm 2>/dev/null > ra_q16.ppm
pnmquant 4 ra_src.ppm 2>/dev/null > ra_q4.ppm
pnmquant 30 ra_src.ppm 2>/dev/null > ra_q30.ppm
pnmquant 40 ra_big.ppm 2>/dev/null > ra_q40.ppm
pnmquant 200 ra_big.ppm 2>/dev/null > ra_q200.ppm
ppmtopgm ra_big.ppm > ra_grey.pgm
pgmtopbm -threshold ra_grey.pgm > ra_bw.pbm

# ImageMagick's decode of a file as the reference beside it (turned as the
# file says: ImageMagick writes Targa rows top first but flags them bottom first).
ref() {
    convert "$1" -auto-orient -alpha off -depth 8 "ppm:${1%.*}.ppm"
}
# ImageMagick writes a file: name, its coder, the source, then options.
im() {
    name=$1
    coder=$2
    src=$3
    shift 3
    convert "$src" "$@" "$coder:$name"
    ref "$name"
}
# netpbm writes a file: name, reader, writer and its options; the source is $SRC.
np() {
    name=$1
    reader=$2
    shift 2
    "$@" "$SRC" > "$name" 2>/dev/null
    "$reader" "$name" 2>/dev/null | ppmtoppm | pamdepth 255 > "${name%.*}.ppm"
}

# --- PCX and DCX ---
im pcx_im24.pcx PCX ra_big.ppm
im pcx_im8.pcx PCX ra_q200.ppm -type palette
SRC=ra_big.ppm np pcx_np24.pcx pcxtoppm ppmtopcx -24bit
SRC=ra_bw.pbm np pcx_np1.pcx pcxtoppm ppmtopcx
SRC=ra_q200.ppm np pcx_np8.pcx pcxtoppm ppmtopcx -8bit
SRC=ra_q16.ppm np pcx_planes4.pcx pcxtoppm ppmtopcx
SRC=ra_q4.ppm np pcx_planes2.pcx pcxtoppm ppmtopcx -planes 2
SRC=ra_q16.ppm np pcx_packed4.pcx pcxtoppm ppmtopcx -packed
SRC=ra_q4.ppm np pcx_packed2.pcx pcxtoppm ppmtopcx -packed
# Three pages, each with its own 256-colour table.
convert ra_q200.ppm -type palette \( ra_q16.ppm -type palette \) \( ra_q4.ppm -type palette \) DCX:pcx_pages.dcx
for p in 0 1 2; do convert "pcx_pages.dcx[$p]" -depth 8 "ppm:pcx_pages_$p.ppm"; done

# --- Targa ---
im tga_im24.tga TGA ra_big.ppm -compress None
im tga_im24rle.tga TGA ra_big.ppm -compress RLE
im tga_im32.tga TGA ra_big.ppm -alpha set -compress None
im tga_im32rle.tga TGA ra_big.ppm -alpha set -compress RLE
im tga_im8.tga TGA ra_q200.ppm -type palette -compress None
im tga_im8rle.tga TGA ra_q200.ppm -type palette -compress RLE
im tga_grey.tga TGA ra_grey.pgm -type grayscale -compress None
im tga_greyrle.tga TGA ra_grey.pgm -type grayscale -compress RLE
SRC=ra_q16.ppm np tga_np_rlecmap15.tga tgatoppm pamtotga -cmap16
SRC=ra_q16.ppm np tga_np_cmap.tga tgatoppm pamtotga -cmap -norle
SRC=ra_big.ppm np tga_np_rgbrle.tga tgatoppm pamtotga -rgb

# --- Sun raster ---
SRC=ra_big.ppm np ras_np24.ras rasttopnm pnmtorast -standard
SRC=ra_q40.ppm np ras_np8.ras rasttopnm pnmtorast -standard
SRC=ra_q40.ppm np ras_np8rle.ras rasttopnm pnmtorast -rle
SRC=ra_bw.pbm np ras_np1.ras rasttopnm pnmtorast -standard
SRC=ra_bw.pbm np ras_np1rle.ras rasttopnm pnmtorast -rle
im ras_im24.ras SUN ra_big.ppm
im ras_im32.ras SUN ra_big.ppm -alpha set

# --- Photoshop ---
psd() {
    name=$1
    src=$2
    shift 2
    convert "$src" "$@" "PSD:$name"
    convert "$name[0]" -alpha off -depth 8 "ppm:${name%.*}.ppm"
}
psd psd_rgb.psd ra_big.ppm -compress RLE
psd psd_rgbraw.psd ra_big.ppm -compress None
psd psd_rgba.psd ra_big.ppm -alpha set -compress RLE
psd psd_rgb16.psd ra_big.ppm -depth 16 -compress RLE
psd psd_rgb16raw.psd ra_big.ppm -depth 16 -compress None
psd psd_grey.psd ra_grey.pgm -compress RLE
psd psd_greyraw.psd ra_grey.pgm -compress None
# CMYK: the reference holds the ink values (cyan, magenta, yellow, black).
convert ra_big.ppm -colorspace CMYK -compress RLE PSD:psd_cmyk.psd
convert ra_big.ppm -colorspace CMYK -compress None PSD:psd_cmykraw.psd
convert 'psd_cmyk.psd[0]' -depth 8 cmyk:psd_cmyk.cmyk
psd psd_bitmap.psd ra_bw.pbm -compress None
# ImageMagick does not read its own indexed files back; the 16-colour
# source is their reference.
convert ra_q16.ppm -type palette -compress RLE PSD:psd_indexed.psd
cp ra_q16.ppm psd_indexed.ppm

# --- IFF/ILBM ---
ppmtopgm ra_q16.ppm | pgmtopbm -threshold > ra_bw_small.pbm
SRC=ra_q16.ppm np iff_planes4.iff ilbmtoppm ppmtoilbm
SRC=ra_q16.ppm np iff_planes4raw.iff ilbmtoppm ppmtoilbm -nocompress
SRC=ra_q30.ppm np iff_planes5.iff ilbmtoppm ppmtoilbm -ecs
SRC=ra_q40.ppm np iff_planes6.iff ilbmtoppm ppmtoilbm -aga
SRC=ra_q200.ppm np iff_planes8.iff ilbmtoppm ppmtoilbm -aga
SRC=ra_bw.pbm np iff_planes1.iff ilbmtoppm ppmtoilbm
SRC=ra_big.ppm np iff_ham6.iff ilbmtoppm ppmtoilbm -ham6
SRC=ra_big.ppm np iff_ham8.iff ilbmtoppm ppmtoilbm -ham8
SRC=ra_big.ppm np iff_deep24.iff ilbmtoppm ppmtoilbm -24force
SRC=ra_big.ppm np iff_deep24raw.iff ilbmtoppm ppmtoilbm -24force -nocompress
SRC=ra_q16.ppm np iff_masked.iff ilbmtoppm ppmtoilbm -maskfile ra_bw_small.pbm

# --- PBM, PGM, PPM ---
cp ra_big.ppm pnm_raw.ppm
pnmtoplainpnm ra_big.ppm > pnm_plain.ppm
ppmtoppm < ra_big.ppm > pnm_plain.ref.ppm
ppmtoppm < ra_grey.pgm > pnm_grey.ref.ppm
cp ra_grey.pgm pnm_raw.pgm
pnmtoplainpnm ra_grey.pgm > pnm_plain.pgm
cp ra_bw.pbm pnm_raw.pbm
pnmtoplainpnm ra_bw.pbm > pnm_plain.pbm
ppmtoppm < ra_bw.pbm > pnm_bw.ref.ppm
# Fewer levels than 255: a maximum of 15.
pamdepth 15 ra_big.ppm > pnm_max15.ppm
pamdepth 255 pnm_max15.ppm | ppmtoppm > pnm_max15.ref.ppm

rm -f ra_*.ppm ra_*.pgm ra_*.pbm
