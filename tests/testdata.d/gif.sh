#!/bin/sh
# GIF test pictures from ImageMagick, gifsicle and giflib's gifbuild, with
# ImageMagick's decoding of each as a reference PPM (frame by frame for the
# animations, and coalesced for the optimised one).
# Usage: gif.sh OUTDIR
set -eu

OUT=$1
mkdir -p "$OUT"
cd "$OUT"

ref() {  # file.gif [frame]: file.ppm or file_N.ppm
    if [ $# -eq 2 ]; then
        convert "$1[$2]" -alpha off -depth 8 "ppm:${1%.gif}_$2.ppm"
    else
        convert "$1" -alpha off -depth 8 "ppm:${1%.gif}.ppm"
    fi
}

# Many colours, an odd width: every depth gets padded rows.
convert -size 61x43 -seed 5 plasma:fractal -depth 8 gif_src.ppm

# Colour counts: 2 gives a 1-bit picture, 4 to 16 a 4-bit one, 32 and 256 an 8-bit one.
for n in 2 4 8 16 32 256; do
    convert gif_src.ppm -dither None -colors $n "gif_c$n.gif"
    ref "gif_c$n.gif"
done
convert gif_src.ppm -colors 16 GIF87:gif_87a.gif
ref gif_87a.gif

# Interlaced, every height up to one full pass of 8 and beyond, and a big one.
for h in 1 2 3 4 5 6 7 8 9; do
    convert -size 13x$h -seed $h plasma:fractal -colors 16 gif_tmp.gif
    gifsicle -i gif_tmp.gif > "gif_il$h.gif"
    ref "gif_il$h.gif"
done
convert -size 211x301 -seed 9 plasma:fractal -colors 256 gif_tmp.gif
gifsicle -i gif_tmp.gif > gif_il_big.gif
ref gif_il_big.gif

# No global table, one local table of four colours.
cat > gif_tmp.txt <<'EOF'
screen width 5
screen height 3
screen colors 16
screen background 0
image
image left 0
image top 0
image map
	rgb 255 0 0 is a
	rgb 0 255 0 is b
	rgb 0 0 255 is c
	rgb 9 99 199 is d
end
image bits 5 by 3
abcda
dcbad
aabbc
EOF
gifbuild gif_tmp.txt > gif_local.gif
ref gif_local.gif

# A 256-entry global table (a grey ramp) and a local table of four colours.
{
    echo "screen width 6"
    echo "screen height 2"
    echo "screen background 7"
    echo "screen map"
    i=0
    while [ $i -lt 256 ]; do
        echo "	rgb $i $i $i"
        i=$((i + 1))
    done
    echo "end"
    echo "image"
    echo "image left 0"
    echo "image top 0"
    echo "image map"
    echo "	rgb 250 10 10 is a"
    echo "	rgb 10 250 10 is b"
    echo "	rgb 10 10 250 is c"
    echo "	rgb 200 200 0 is d"
    echo "end"
    echo "image bits 6 by 2"
    echo "abcdab"
    echo "dcbadd"
} > gif_tmp.txt
gifbuild gif_tmp.txt > gif_local256.gif
ref gif_local256.gif

# Animation frames: a full backdrop and small blocks.
convert -size 40x30 -seed 2 plasma:fractal -colors 64 gif_f0.gif
convert -size 10x8 xc:'#ff0000' -fill '#00ff00' -draw 'rectangle 2,2 7,5' gif_f1.gif
convert -size 12x6 xc:'#0000ff' -fill '#ffff00' -draw 'rectangle 0,0 5,2' gif_f2.gif
convert -size 8x8 xc:'#ffffff' -fill '#000000' -draw 'rectangle 2,2 5,5' gif_f3.gif

# Every disposal method, delays 0, 3 and 200, one transparent block; the
# first frame has no graphic control extension.
gifsicle gif_f0.gif \
    -d 3 -D background -p 5,4 gif_f1.gif \
    -d 200 -D previous -p 20,10 -t '#0000ff' gif_f2.gif \
    -d 0 -D asis -p 30,20 --no-transparent gif_f3.gif \
    -d 7 -D none -p 1,1 gif_f1.gif > gif_anim.gif
for i in 0 1 2 3 4; do ref gif_anim.gif $i; done

# Images at (0,0) 100x50 and (20,30) 100x50: a canvas of 120x80.
convert -size 100x50 xc:'#804020' gif_tmp1.gif
convert -size 100x50 xc:'#2040a0' gif_tmp2.gif
gifsicle gif_tmp1.gif -p 20,30 gif_tmp2.gif > gif_canvas.gif

# A moving block over a backdrop, optimised by gifsicle into cropped frames
# with transparent pixels; ImageMagick's coalesced frames are what is seen.
convert -size 48x36 -seed 4 plasma:fractal -colors 32 gif_tmp_bg.ppm
set --
for i in 0 1 2 3 4 5; do
    convert gif_tmp_bg.ppm -fill '#10e020' -draw "rectangle $((i * 6)),$((i * 4)) $((i * 6 + 9)),$((i * 4 + 7))" \
        -colors 64 "gif_tmp_m$i.gif"
    set -- "$@" "gif_tmp_m$i.gif"
done
gifsicle -O2 --colors 256 -d 5 "$@" > gif_opt.gif
convert gif_opt.gif -coalesce -alpha off -depth 8 +adjoin gif_opt_c%d.ppm

rm -f gif_tmp* gif_src.ppm
