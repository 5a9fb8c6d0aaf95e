#!/bin/sh
# JPEG and PNG test pictures, each with a reference PPM from an independent
# decoder: libjpeg-turbo's djpeg with the reader's settings (fast integer
# DCT, no fancy upsampling), so JPEG pixels must match exactly; ImageMagick
# for PNG. PNG files come from netpbm's pnmtopng, which writes exactly the
# colour type and depth it is given.
# Usage: jpeg_png.sh OUTDIR
set -eu

OUT=$1
mkdir -p "$OUT"
cd "$OUT"

# Many colours and an odd width, so rows are padded at every depth.
convert -size 61x43 -seed 3 plasma:fractal -depth 8 jp_src.ppm
ppmtopgm jp_src.ppm > jp_grey.pgm
# An alpha ramp across the picture.
convert -size 43x61 gradient:white-black -rotate 90 -depth 8 pgm:jp_alpha.pgm
pamdepth 65535 jp_src.ppm > jp_src16.ppm
pamdepth 65535 jp_grey.pgm > jp_grey16.pgm
pamdepth 65535 jp_alpha.pgm > jp_alpha16.pgm

# --- JPEG ---
fast="-dct fast -nosmooth"
jpeg() {  # name, then cjpeg options
    name=$1
    shift
    cjpeg "$@" jp_src.ppm > "jpeg_$name.jpg"
    djpeg $fast -ppm "jpeg_$name.jpg" > "jpeg_$name.ppm"
}
jpeg 420 -quality 85
jpeg 444 -quality 85 -sample 1x1
jpeg 422 -quality 85 -sample 2x1
jpeg prog -quality 85 -progressive
jpeg restart -quality 85 -restart 1

# A greyscale file, and colour files decoded grey, at 1/4 and 1/8, in 256 colours.
cjpeg -grayscale jp_src.ppm > jpeg_grey.jpg
djpeg $fast -pnm jpeg_grey.jpg | ppmtoppm > jpeg_grey.ppm
djpeg $fast -grayscale -pnm jpeg_420.jpg | ppmtoppm > jpeg_420_grey.ppm
djpeg $fast -scale 1/4 -ppm jpeg_420.jpg > jpeg_420_q.ppm
djpeg $fast -scale 1/8 -ppm jpeg_420.jpg > jpeg_420_e.ppm
djpeg $fast -colors 256 -dither fs -ppm jpeg_420.jpg > jpeg_420_256.ppm

# Widths around the preview scale thresholds (preview width 200).
for w in 2000 300 205; do
    convert -size "${w}x24" gradient:red-blue -depth 8 ppm:- | cjpeg > "jpeg_wide$w.jpg"
done

# Adobe CMYK (stored as YCCK by ImageMagick), one flat colour.
convert -size 16x16 xc:'cmyk(20%,60%,80%,60%)' -quality 100 jpeg_cmyk_flat.jpg

# Conversions straight to BMP go in bands of rows: pictures of many bands at
# odd sizes, the last band cut short, with djpeg's BMP of each; a file cut in
# half (djpeg warns and decodes what is there); Adobe CMYK of two bands.
convert -size 301x2011 -seed 5 plasma:fractal -depth 8 jp_tall.ppm
cjpeg -quality 85 jp_tall.ppm > jpeg_tall.jpg
djpeg $fast -bmp jpeg_tall.jpg > jpeg_tall.bmp
djpeg $fast -grayscale -bmp jpeg_tall.jpg > jpeg_tall_asgrey.bmp
cjpeg -grayscale -quality 85 jp_tall.ppm > jpeg_tallgrey.jpg
djpeg $fast -bmp jpeg_tallgrey.jpg > jpeg_tallgrey.bmp
head -c "$(($(wc -c < jpeg_tall.jpg) / 2))" jpeg_tall.jpg > jpeg_tall_cut.jpg
djpeg $fast -bmp jpeg_tall_cut.jpg > jpeg_tall_cut.bmp 2>/dev/null || [ -s jpeg_tall_cut.bmp ]
convert -size 301x411 xc:'cmyk(20%,60%,80%,60%)' -quality 100 jpeg_cmyk_tall.jpg

# Density in dots per inch and in dots per centimetre.
convert jp_src.ppm -density 300x150 -units PixelsPerInch jpeg_dpi.jpg
convert jp_src.ppm -density 40 -units PixelsPerCentimeter jpeg_dpcm.jpg

# --- PNG ---
png() {  # name, then the pnmtopng command line; the reference drops alpha
    name=$1
    shift
    "$@" > "png_$name.png" 2>/dev/null
    convert "png_$name.png" -alpha off -depth 8 "ppm:png_$name.ppm"
}
png g1 sh -c 'pamdepth 1 jp_grey.pgm | pnmtopng -force'
png g2 sh -c 'pamdepth 3 jp_grey.pgm | pnmtopng -force'
png g4 sh -c 'pamdepth 15 jp_grey.pgm | pnmtopng -force'
png g8 pnmtopng -force jp_grey.pgm
png g16 pnmtopng -force jp_grey16.pgm
png ga8 pnmtopng -force -alpha=jp_alpha.pgm jp_grey.pgm
png ga16 pnmtopng -force -alpha=jp_alpha16.pgm jp_grey16.pgm
png ga8i pnmtopng -force -interlace -alpha=jp_alpha.pgm jp_grey.pgm
png p1 sh -c 'pnmquant 2 jp_src.ppm | pnmtopng'
png p2 sh -c 'pnmquant 4 jp_src.ppm | pnmtopng'
png p4 sh -c 'pnmquant 16 jp_src.ppm | pnmtopng'
png p4t sh -c 'pnmquant 16 jp_src.ppm | pnmtopng -transparent=red'
png p8 sh -c 'pnmquant 100 jp_src.ppm | pnmtopng'
png p8i sh -c 'pnmquant 100 jp_src.ppm | pnmtopng -interlace'
png rgb8 pnmtopng -force jp_src.ppm
png rgb8t pnmtopng -force -transparent=red jp_src.ppm
png rgb16 pnmtopng -force jp_src16.ppm
png rgba8 pnmtopng -force -alpha=jp_alpha.pgm jp_src.ppm
png rgba16 pnmtopng -force -alpha=jp_alpha16.pgm jp_src16.ppm
png rgb8i pnmtopng -force -interlace jp_src.ppm
png rgb16i pnmtopng -force -interlace jp_src16.ppm


# ImageMagick's encoder (another zlib caller): its per-row filter choice,
# stored, fixed-code and run-length streams, and every colour type and
# sample depth it writes; the odd width pads every row.
im() {  # name, ImageMagick's output type, then its other arguments
    name=$1
    type=$2
    shift 2
    convert "$@" "$type:png_im_$name.png"
    convert "png_im_$name.png" -alpha off -depth 8 "ppm:png_im_$name.ppm"
}
im adaptive PNG24 jp_src.ppm -define png:compression-filter=5 -define png:compression-level=9
im stored PNG24 jp_src.ppm -define png:compression-level=0
im fixed PNG24 jp_src.ppm -define png:compression-strategy=4
im rle PNG24 jp_src.ppm -define png:compression-strategy=3
im huff PNG24 jp_src.ppm -define png:compression-strategy=2
im rgba PNG32 jp_src.ppm jp_alpha.pgm -compose CopyOpacity -composite
im rgb16 PNG48 jp_src16.ppm
im rgba16 PNG64 jp_src16.ppm jp_alpha16.pgm -compose CopyOpacity -composite
im grey PNG jp_grey.pgm -define png:color-type=0 -define png:bit-depth=8
im grey16 PNG jp_grey16.pgm -define png:color-type=0 -define png:bit-depth=16
im greya PNG jp_grey.pgm jp_alpha.pgm -compose CopyOpacity -composite -define png:color-type=4 -define png:bit-depth=8
im pal PNG8 jp_src.ppm -dither None -colors 200
im narrow PNG24 jp_src.ppm -crop 1x43+5+0 +repage -define png:compression-filter=5
# Each filter type alone on every pixel size (1, 3, 4, 6 and 8 bytes).
for f in sub up avg paeth; do
    png "${f}_g8" pnmtopng -force "-$f" jp_grey.pgm
    png "${f}_rgb8" pnmtopng -force "-$f" jp_src.ppm
    png "${f}_rgba8" pnmtopng -force "-$f" -alpha=jp_alpha.pgm jp_src.ppm
    png "${f}_rgb16" pnmtopng -force "-$f" jp_src16.ppm
    png "${f}_rgba16" pnmtopng -force "-$f" -alpha=jp_alpha16.pgm jp_src16.ppm
done

rm -f jp_src.ppm jp_grey.pgm jp_alpha.pgm jp_src16.ppm jp_grey16.pgm jp_alpha16.pgm
