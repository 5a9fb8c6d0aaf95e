#!/bin/sh
# Pictures for the directory walk, file operation, batch and slideshow tests:
# twelve small PNGs of different sizes, made by ImageMagick.
set -eu
out=$1/walk
mkdir -p "$out"
i=1
while [ $i -le 12 ]; do
    n=$(printf %02d $i)
    [ -f "$out/p$n.png" ] || convert -size $((20 + i))x$((10 + i)) "xc:rgb($((i * 20)),90,$((250 - i * 20)))" \
        -type truecolor PNG24:"$out/p$n.png"
    i=$((i + 1))
done
