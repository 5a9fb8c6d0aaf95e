#!/bin/sh
# The Windows console converter against the native one: one batch run of the
# Windows build converts a handful of pictures from independent encoders, and
# every result must hold exactly the pixels the native converter writes from
# the same file. Under emulation this is one process, so Wine starts once.
# Usage: converter_parity.sh WINE_RUN WINDOWS_CONVERTER NATIVE_CONVERTER
set -u
abs() { (cd "$(dirname "$1")" 2>/dev/null && echo "$(pwd)/$(basename "$1")") || echo "$1"; }
RUN=$(abs "$1") WINBIN=$(abs "$2") NATIVE=$(abs "$3")
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
convert -size 27x18 gradient:red-lime -depth 8 raw.ppm
convert -size 23x17 gradient:gray10-gray80 -depth 8 -compress none plain.pgm
set -- "$DIR"/in/*

# Settings of either build's settings file must not change what is written.
LUMAGROVE_HOME="$DIR/home" "$NATIVE" "$@" "/batch=$DIR/native" /type=PNG >"$DIR/native.log" 2>&1 ||
    { echo "FAIL: the native converter's batch failed"; cat "$DIR/native.log"; exit 1; }
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

# The better colour reduction, from one settings file for both builds: a
# photo saved as GIF holds the same pixels.
printf '[Others]\nBetterReduction=1\n' >"$DIR/home/LUMAGR32.INI"
LUMAGROVE_HOME="$DIR/home" "$NATIVE" "$DIR/in/photo.jpg" "/c=$DIR/native/better.gif" >/dev/null 2>&1 &&
    LUMAGROVE_HOME="Z:$(echo "$DIR/home" | tr / '\\')" "$RUN" "$WINBIN" "Z:$(echo "$DIR/in/photo.jpg" | tr / '\\')" \
        "/c=Z:$(echo "$DIR/win/better.gif" | tr / '\\')" >/dev/null 2>&1 &&
    [ "$(compare -metric AE "$DIR/native/better.gif" "$DIR/win/better.gif" null: 2>&1)" = 0 ] ||
    { echo "FAIL: the better reduction differs between the builds"; fail=$((fail + 1)); }
rm -f "$DIR/home/LUMAGR32.INI"
echo "converter parity: $n pictures, $fail failures"
[ "$fail" = 0 ]
