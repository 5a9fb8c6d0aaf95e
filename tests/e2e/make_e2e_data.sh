#!/bin/sh
# Pictures for the end-to-end tests, made by ImageMagick (animated cursors and
# AVI files wrapped by make_riff.pl).
set -eu
out=$1
here=$(dirname "$0")
mkdir -p "$out"
[ -f "$out/gradient24.bmp" ] || convert -size 64x48 gradient:'#ff2000-#0030ff' -type truecolor BMP3:"$out/gradient24.bmp"
[ -f "$out/palette8.bmp" ] || convert -size 40x30 gradient:'#ffffff-#208020' -fill '#c03010' -draw 'circle 20,15 20,4' \
    -fill '#1060e0' -draw 'rectangle 0,0 12,8' -type palette -colors 64 \
    -compress none BMP3:"$out/palette8.bmp"
[ -f "$out/anim.gif" ] || convert -delay 20 -size 30x20 xc:red xc:lime xc:blue -loop 0 "$out/anim.gif"
[ -f "$out/pages.tif" ] || convert -size 24x16 xc:'#c02020' xc:'#20a040' xc:'#2040c0' -compress lzw "$out/pages.tif"
[ -f "$out/pages.dcx" ] || convert -size 24x16 xc:'#c02020' xc:'#20a040' xc:'#2040c0' DCX:"$out/pages.dcx"
if [ ! -f "$out/cursor.ani" ] || [ ! -f "$out/clip.avi" ]; then
    parts=$(mktemp -d)
    trap 'rm -rf "$parts"' EXIT
    for c in red lime blue; do
        convert -size 32x32 xc:$c ICO:"$parts/$c.ico"
        convert -size 32x24 xc:$c -flip -depth 8 BGR:"$parts/$c.bgr"
    done
    perl "$here/make_riff.pl" ani "$out/cursor.ani" 10 "$parts/red.ico" "$parts/lime.ico" "$parts/blue.ico"
    perl "$here/make_riff.pl" avi "$out/clip.avi" 32 24 "$parts/red.bgr" "$parts/lime.bgr" "$parts/blue.bgr"
fi
# A photo stored sideways: Exif orientation 6 (exiftool), upright 24 x 40.
if [ ! -f "$out/sideways.jpg" ]; then
    convert -size 40x24 xc:'#2060c0' -fill '#f0f020' -draw 'rectangle 0,0 9,23' -quality 95 "$out/sideways.jpg"
    exiftool -q -overwrite_original -n -Orientation=6 "$out/sideways.jpg"
fi
# Six flat blocks whose edges fall on known columns (70, 150) and rows (12).
[ -f "$out/blocks.bmp" ] || convert \( -size 70x12 xc:'#ff0000' -size 80x12 xc:'#00ff00' -size 70x12 xc:'#0000ff' +append \) \
    \( -size 70x24 xc:'#ffff00' -size 80x24 xc:'#ff00ff' -size 70x24 xc:'#00ffff' +append \) -append \
    -type truecolor BMP3:"$out/blocks.bmp"
# Two photos of one size, larger than the screen, alone in a directory: the
# top-left 64 x 64 square of each has its own colour, the rest another.
mkdir -p "$out/samesize"
[ -f "$out/samesize/a.png" ] || convert -size 2000x1500 xc:'#3060a0' -fill '#e04020' -draw 'rectangle 0,0 63,63' \
    PNG24:"$out/samesize/a.png"
[ -f "$out/samesize/b.png" ] || convert -size 2000x1500 xc:'#3060a0' -fill '#20c040' -draw 'rectangle 0,0 63,63' \
    PNG24:"$out/samesize/b.png"
# Icons: one file of a 40 x 30 red and a 16 x 16 blue image, and the three
# 40 x 30 frames of the animated cursor the format test puts together.
[ -f "$out/chooser.ico" ] || convert -size 40x30 xc:'#ff0000' -size 16x16 xc:'#0000ff' "$out/chooser.ico"
for c in red:ff0000 lime:00ff00 blue:0000ff; do
    [ -f "$out/frame-${c%%:*}.ico" ] || convert -size 40x30 "xc:#${c#*:}" "$out/frame-${c%%:*}.ico"
done
# What the BMPs hold as ImageMagick reads them: 8-bit RGB, rows top down.
for p in gradient24 palette8; do
    [ -f "$out/$p.rgb" ] || convert "$out/$p.bmp" -depth 8 RGB:"$out/$p.rgb"
done
sh "$here/make_files_data.sh" "$out"
sh "$here/make_edit_refs.sh" "$out"
# Paging: a 3-page TIFF put together by tiffcp (24-bit LZW, 8-bit palette,
# bilevel Group 4, each of its own size) and a DCX whose three pages differ in
# size and colour table; ImageMagick's decode of every page beside them.
if [ ! -f "$out/paged.tif" ] || [ ! -f "$out/paged.dcx" ]; then
    parts=$(mktemp -d)
    convert -size 32x20 gradient:'#ff2000-#0030ff' -depth 8 -type truecolor -compress lzw "$parts/t0.tif"
    convert -size 20x28 gradient:'#ffffff-#208020' -fill '#c03010' -draw 'circle 10,14 10,4' \
        -type palette -colors 40 "$parts/t1.tif"
    convert -size 40x12 xc:white -fill black -draw 'rectangle 3,3 20,8' -type bilevel -compress group4 "$parts/t2.tif"
    tiffcp "$parts/t0.tif" "$parts/t1.tif" "$parts/t2.tif" "$out/paged.tif"
    convert -size 24x16 gradient:'#ff0000-#0000ff' -type palette -colors 5 "$parts/d0.bmp"
    convert -seed 3 -size 40x30 plasma:fractal -colors 200 -type palette "$parts/d1.bmp"
    convert -size 17x9 xc:'#208040' -fill '#e0e000' -draw 'rectangle 2,2 8,6' -type palette "$parts/d2.bmp"
    convert "$parts/d0.bmp" "$parts/d1.bmp" "$parts/d2.bmp" DCX:"$out/paged.dcx"
    rm -rf "$parts"
    for f in paged.tif paged.dcx; do
        for p in 0 1 2; do convert "$out/$f[$p]" -depth 8 RGB:"$out/$f.$p.rgb"; done
    done
fi
# ImageMagick's decode of each image of the animated GIF.
for p in 0 1 2; do
    [ -f "$out/anim.gif.$p.rgb" ] || convert "$out/anim.gif[$p]" -depth 8 RGB:"$out/anim.gif.$p.rgb"
done
# WebP: the gradient as a lossy file (dwebp's decoding is the reference) and
# a red, lime, blue animation of 200 ms frames from libwebp's own tools.
if [ ! -f "$out/photo.webp" ] || [ ! -f "$out/photo-webp.rgb" ]; then
    convert "$out/gradient24.bmp" "$out/photo-src.ppm"
    cwebp -quiet -q 80 "$out/photo-src.ppm" -o "$out/photo.webp"
    dwebp -quiet "$out/photo.webp" -ppm -o "$out/photo-webp.ppm"
    convert "$out/photo-webp.ppm" -depth 8 RGB:"$out/photo-webp.rgb"
    rm -f "$out/photo-webp.ppm" "$out/photo-src.ppm"
fi
if [ ! -f "$out/anim.webp" ]; then
    for c in red lime blue; do convert -size 30x20 xc:$c "$out/webp-$c.png"; done
    img2webp -loop 0 -lossless -d 200 "$out/webp-red.png" "$out/webp-lime.png" "$out/webp-blue.png" \
        -o "$out/anim.webp" >/dev/null
    rm -f "$out"/webp-*.png
fi
# JPEG photos for lossless turns: 48 x 32 in whole 16 x 16 blocks, 45 x 30
# with partial edge blocks, and a 48 x 32 one stored sideways (orientation 6).
if [ ! -f "$out/turn48.jpg" ] || [ ! -f "$out/turn45.jpg" ] || [ ! -f "$out/turncam.jpg" ]; then
    for size in 48x32 45x30; do
        convert -size $size gradient:'#ff2000'-'#0040ff' -fill '#ffff00' -draw 'rectangle 0,0 9,5' \
            -fill '#00a000' -draw 'rectangle 30,20 40,30' -quality 90 -sampling-factor 2x2 "$out/turn${size%x*}.jpg"
    done
    cp "$out/turn48.jpg" "$out/turncam.jpg"
    exiftool -q -overwrite_original -n -Orientation=6 "$out/turncam.jpg"
fi
# A 24-megapixel JPEG: decoding it ahead takes long enough to be stopped part-way.
if [ ! -f "$out/big.jpg" ]; then
    convert -size 6000x4000 gradient:'#204080'-'#e0c020' -quality 92 "$out/big.jpg"
fi
