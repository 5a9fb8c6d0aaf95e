#!/bin/sh
# The Windows console converter against the native one: one batch run of the
# Windows build converts a handful of pictures from independent encoders, and
# every result must hold exactly the pixels the native converter writes from
# the same file. Under emulation this is one process, so Wine starts once.
# Usage: converter_parity.sh WINE_RUN WINDOWS_CONVERTER NATIVE_CONVERTER
set -u
RUN=$1 WINBIN=$2 NATIVE=$3
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
mkdir -p "$DIR/in" "$DIR/win" "$DIR/native" "$DIR/home"

if [ ! -x "$NATIVE" ]; then echo "FAIL: no native converter at $NATIVE"; exit 1; fi
cd "$DIR/in"
convert -seed 7 -size 97x61 plasma:red-navy -quality 85 photo.jpg
convert -seed 3 -size 64x40 plasma: -interlace JPEG -quality 70 progressive.jpg
convert -size 50x33 gradient:'#ff000080-#0000ffff' -depth 16 alpha16.png
convert -size 41x29 gradient:green-yellow -compress lzw pages.tif
convert -size 37x23 gradient:white-purple -colors 32 palette.gif
convert -size 45x31 gradient:orange-teal -type palette -compress rle BMP3:rle8.bmp
convert -size 33x21 gradient:black-cyan pcx.pcx
convert -size 29x19 gradient:gray20-gray90 -compress rle targa.tga
convert -size 27x18 gradient:red-lime -depth 16 ppm16.ppm
set -- "$DIR"/in/*

# Settings of either build's settings file must not change what is written.
LUMAGROVE_HOME="$DIR/home" "$NATIVE" "$@" "/batch=$DIR/native" /type=PNG >/dev/null ||
    { echo "FAIL: the native converter's batch failed"; exit 1; }
winargs=""
for f in "$@"; do winargs="$winargs Z:$(echo "$f" | tr / '\\')"; done
# shellcheck disable=SC2086
"$RUN" "$WINBIN" $winargs "/batch=Z:$(echo "$DIR/win" | tr / '\\')" /type=PNG > "$DIR/win.log" 2>&1 ||
    { echo "FAIL: the Windows converter's batch failed"; cat "$DIR/win.log"; exit 1; }

fail=0 n=0
for f in "$DIR"/native/*; do
    name=$(basename "$f")
    n=$((n + 1))
    if [ ! -f "$DIR/win/$name" ]; then
        echo "FAIL $name: not written by the Windows converter"; fail=$((fail + 1)); continue
    fi
    diff=$(compare -metric AE "$f" "$DIR/win/$name" null: 2>&1)
    if [ "$diff" != 0 ]; then echo "FAIL $name: $diff pixels differ"; fail=$((fail + 1)); fi
done
[ "$n" = "$#" ] || { echo "FAIL: the native converter wrote $n files for $# pictures"; fail=$((fail + 1)); }
echo "converter parity: $n pictures, $fail failures"
[ "$fail" = 0 ]
