#!/bin/sh
# Reads the files the Save as test wrote with ImageMagick and checks that
# each carries the options it was saved with.
set -u
dir=$1
failed=0
prop() { identify -verbose "$dir/$1" 2>/dev/null | sed -n "s/^ *$2: *//p" | head -n 1; }
expect() {  # file property expected
    got=$(prop "$1" "$2")
    if [ "$got" != "$3" ]; then echo "FAIL: $1 $2: got '$got', expected '$3'"; failed=1; fi
}
expect q50.jpg Quality 50
expect q50.jpg Interlace None
expect progressive.jpg Interlace JPEG
expect progressive.jpg Quality 80
expect grey.jpg Colorspace Gray
expect interlaced.gif Interlace GIF
expect interlaced.gif Type PaletteAlpha
expect plain.gif Type Palette
expect plain.gif Interlace None
expect plain.bmp Class DirectClass
expect plain.png png:IHDR.color_type "2 (Truecolor)"
expect plain.pcx Format "PCX (ZSoft IBM PC Paintbrush)"
# TIFF schemes by libtiff's own tool, which names each one apart (ImageMagick
# says RLE for both PackBits and CCITT RLE). libtiff's own 1D Group 3 decoder
# overflows on some pictures that libtiff itself encoded, so only the tags of
# the fax files are read.
scheme() {
    got=$(tiffinfo "$dir/$1" 2>/dev/null | sed -n 's/^ *Compression Scheme: *//p')
    if [ "$got" != "$2" ]; then echo "FAIL: $1 scheme: got '$got', expected '$2'"; failed=1; fi
}
scheme none.tif None
scheme lzw.tif LZW
scheme packbits.tif PackBits
scheme jpeg.tif JPEG
scheme fax3.tif "CCITT Group 3"
scheme fax4.tif "CCITT Group 4"
scheme huffman.tif "CCITT RLE"
expect jpeg.tif Depth 8-bit
expect fax4.tif Depth 1-bit
for f in plain.gif plain.bmp plain.png plain.pcx none.tif lzw.tif packbits.tif; do
    expect "$f" Geometry "64x48+0+0"
done
exit $failed
