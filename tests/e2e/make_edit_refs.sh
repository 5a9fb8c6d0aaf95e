#!/bin/sh
# The editing test's source picture and, for each step of its chain, what
# ImageMagick makes of the previous step's picture (binary PPM). The viewer
# must save the same pixels after the same command.
set -eu
out=$1
ref=$out/editref
[ -f "$ref/16-resample.ppm" ] && [ "$ref/16-resample.ppm" -nt "$0" ] && exit 0
rm -rf "$ref"
mkdir -p "$ref"
convert -seed 7 -size 64x48 plasma:fractal -type truecolor BMP3:"$out/edit24.bmp"
prev=$out/edit24.bmp
n=0
step() {  # name, then the ImageMagick options of the step
    n=$((n + 1))
    name=$(printf '%02d-%s.ppm' $n "$1")
    shift
    # This ImageMagick keeps fractions between operations and cuts them off
    # when it writes 8 bits: round to the nearest level first.
    convert "$prev" "$@" -fx 'round(u*255)/255' -depth 8 PPM:"$ref/$name"
    prev=$ref/$name
}
# "RGB -> XYZ" of the Swap Colors menu: the old red moves to channel X, the
# old green to Y, the old blue to Z.
swap() {  # name, then the old channel (0 red, 1 green, 2 blue) of the new red, green, blue
    n=$((n + 1))
    name=$(printf '%02d-%s.ppm' $n "$1")
    convert "$prev" -separate "$ref/sep_%d.pgm"
    convert "$ref/sep_$2.pgm" "$ref/sep_$3.pgm" "$ref/sep_$4.pgm" -combine -depth 8 PPM:"$ref/$name"
    rm -f "$ref"/sep_*.pgm
    prev=$ref/$name
}
step negative -negate
swap rbg 0 2 1
swap bgr 2 1 0
swap brg 1 2 0
swap grb 1 0 2
swap gbr 2 0 1
step flip -flip
step flop -flop
step rotate-left -rotate -90
step rotate-right -rotate 90
step brightness -fx 'u+9/255'
step contrast -fx 'u*255<127.5 ? u-20/255 : u+20/255'
step gamma -fx 'pow(u,1/1.5)'
step resize -sample '128x96!'
step crop -crop 40x30+5+4 +repage
step resample -filter box -resize '20x15!'
