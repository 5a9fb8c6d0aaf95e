#!/bin/sh
# WebP test pictures from libwebp's own tools (cwebp, img2webp, webpmux) with
# dwebp's decoding of each as the reference PPM (alpha left out, as the
# reader leaves it out); an animation with ImageMagick's coalesced frames.
# Usage: webp.sh OUTDIR
set -eu

OUT=$1
mkdir -p "$OUT"
cd "$OUT"

ref() {  # file.webp: file.ppm as dwebp decodes it
    dwebp -quiet "$1" -ppm -o "${1%.webp}.ppm"
}

# An odd width: the picture's rows are padded.
convert -size 61x43 -seed 5 plasma:fractal -depth 8 webp_src.ppm
# The same with a soft alpha ramp and a fully transparent corner.
convert webp_src.ppm \( -size 61x43 gradient:white-black -fill black -draw 'rectangle 0,0 9,9' \) \
    -alpha off -compose CopyOpacity -composite webp_src_alpha.png

cwebp -quiet -q 75 webp_src.ppm -o webp_lossy.webp
cwebp -quiet -lossless webp_src.ppm -o webp_lossless.webp
cwebp -quiet -q 60 -alpha_q 100 webp_src_alpha.png -o webp_lossy_alpha.webp
cwebp -quiet -lossless -exact webp_src_alpha.png -o webp_lossless_alpha.webp
for f in webp_lossy webp_lossless webp_lossy_alpha webp_lossless_alpha; do ref $f.webp; done
# One larger than the 16 KB read window, and a 1x1 file.
convert -size 307x211 -seed 3 plasma:fractal -depth 8 webp_big_src.ppm
cwebp -quiet -q 90 webp_big_src.ppm -o webp_big.webp
ref webp_big.webp
convert -size 1x1 xc:"#2080c0" webp_one_src.ppm
cwebp -quiet -lossless webp_one_src.ppm -o webp_one.webp
ref webp_one.webp

# An animation of four frames on a 40x30 canvas: a full first frame, then
# smaller frames at offsets, with blending and disposal to the background,
# timed 100, 250, 70 and 500 ms. The test works out the canvases by hand
# over dwebp's decoding of the first frame.
convert -size 40x30 gradient:'#ff0000'-'#0000ff' -alpha off webp_a0.png
convert -size 16x12 xc:'#00ff00' webp_a1.png
convert -size 20x10 xc:'#ffff00' -alpha set -region 10x6+5+2 -alpha transparent +region PNG32:webp_a2.png
convert -size 10x10 xc:'#ffffff' webp_a3.png
# webpmux places frames: +duration+x+y+dispose (0 none, 1 to the background), then +b
# to blend with the canvas or -b to replace it.
cwebp -quiet -lossless webp_a0.png -o webp_f0.webp
cwebp -quiet -lossless webp_a1.png -o webp_f1.webp
cwebp -quiet -lossless -exact webp_a2.png -o webp_f2.webp
cwebp -quiet -lossless webp_a3.png -o webp_f3.webp
webpmux -frame webp_f0.webp +100+0+0+0-b -frame webp_f1.webp +250+4+6+1-b \
    -frame webp_f2.webp +70+12+14+0+b -frame webp_f3.webp +500+28+18+0-b \
    -loop 0 -bgcolor 255,255,255,255 -o webp_anim.webp >/dev/null 2>&1
dwebp -quiet webp_f0.webp -ppm -o webp_anim_base.ppm
rm -f webp_src.ppm webp_src_alpha.png webp_big_src.ppm webp_one_src.ppm webp_a?.png webp_f?.webp
