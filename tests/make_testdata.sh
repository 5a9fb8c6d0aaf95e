#!/bin/sh
# Makes the BMP test pictures and a reference PPM beside each one.
# Usage: tests/make_testdata.sh OUTDIR
# Needs ImageMagick (convert) and netpbm. Quick and idempotent: nothing is
# redone while OUTDIR/.done is newer than this script.
set -eu

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
OUT=$1
mkdir -p "$OUT"
# Every build's tests use the same directory: one maker at a time, the others
# wait and then find the pictures made.
exec 9>"$OUT/.lock"
flock 9
# Every format's own generator in testdata.d/, each redone only when it changed.
EXTRA=$(cd "$(dirname "$0")" && pwd)/testdata.d
for script in "$EXTRA"/*.sh; do
    [ -f "$script" ] || continue
    mark="$OUT/.done-$(basename "$script" .sh)"
    if [ ! -f "$mark" ] || [ "$script" -nt "$mark" ]; then
        sh "$script" "$OUT"
        touch "$mark"
    fi
done

if [ -f "$OUT/.done" ] && [ "$OUT/.done" -nt "$0" ]; then
    exit 0
fi
rm -f "$OUT/.done"
cd "$OUT"

# A small picture with flat areas (runs) and gradients (many colours); the
# odd width gives every depth padded rows.
convert -size 37x21 gradient:'#ff2000'-'#0040ff' \
    -fill '#ffff00' -draw 'rectangle 4,3 17,9' \
    -fill '#00a000' -draw 'circle 28,14 33,17' src.ppm
# One larger than the 16 KB read window of the byte source.
convert -size 211x97 -seed 7 plasma:fractal -depth 8 big.ppm

# name, output format, then the ImageMagick options
make() {
    name=$1
    format=$2
    shift 2
    convert src.ppm "$@" "$format:$name.bmp"
    convert "$name.bmp" -alpha off -depth 8 "ppm:$name.ppm"
}

make bit1 BMP3 -colors 2 -type palette -compress None
make bit4 BMP3 -colors 16 -type palette -compress None
make bit8 BMP3 -colors 256 -type palette -compress None
make bit24 BMP3 -type truecolor -compress None
make rle8 BMP3 -colors 256 -type palette -compress RLE
make os2_1 BMP2 -colors 2 -type palette
make os2_8 BMP2 -colors 256 -type palette
make os2_24 BMP2 -type truecolor
make rgb555 BMP -define bmp:subtype=RGB555
make rgb565 BMP -define bmp:subtype=RGB565
make argb32 BMP -alpha set -define bmp:subtype=ARGB32

convert big.ppm -type truecolor -compress None BMP3:big24.bmp
convert big24.bmp -depth 8 ppm:big24.ppm

# The same picture through netpbm's writer and reader.
ppmquant -quiet 200 src.ppm > np.ppm
ppmtobmp -quiet -windows -bpp 8 np.ppm > np8.bmp
bmptopnm -quiet np8.bmp > np8.ppm
ppmtobmp -quiet -os2 -bpp 24 np.ppm > np_os2.bmp
bmptopnm -quiet np_os2.bmp > np_os2.ppm

rm -f src.ppm big.ppm np.ppm
touch .done
