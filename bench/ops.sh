#!/bin/sh
# Image operations beside ImageMagick, GraphicsMagick and libvips, each tool
# at its own default thread count (printed): every tool reads the picture,
# does the job and writes the result, so every time includes a decode and an
# encode; lumagrove runs bench/ops_bench.cpp (BMP in and out, with the
# operation alone in its own line), ImageMagick and GraphicsMagick BMP to BMP,
# libvips PPM to PPM (its own fastest path).
#    8. 6000x4000 shrunk to 25 % (area average)
#    9. 1000x750 enlarged by 2.5 (Mitchell cubic)
#   10. 6000x4000 turned by 90 degrees
#   11. 3000x2000 rotated by 10 degrees (bilinear)
#   12. 3000x2000 blurred, 3 x 3 box
#   13. 3000x2000 median, 3 x 3
#   14. 3000x2000 sharpened, 3 x 3
# Then the operations alone, on one thread and on every processor.
# Called by run.sh after it made build/bench/photo-6000x4000.bmp; runs alone
# as well once that picture is there (sh bench/ops.sh). Best of BENCH_RUNS
# runs (default 3).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
OUT="$ROOT/build/bench"
RUNS=${BENCH_RUNS:-3}
PHOTO="$OUT/photo-6000x4000.bmp"
PPM="$OUT/photo.ppm"
. "$ROOT/bench/timing.sh"
has() { command -v "$1" >/dev/null 2>&1; }
newer() { [ -n "$(find "$1" -newer "$2" 2>/dev/null)" ]; }
if [ ! -s "$PHOTO" ] || [ ! -s "$PPM" ]; then
    echo "[bench] $PHOTO is made by bench/run.sh (make bench); run it once first"
    exit 1
fi

[ -f build/release/build.ninja ] || cmake --preset release >"$OUT/build.log" 2>&1
cmake --build build/release -j "${JOBS:-2}" --target lgcore lg_transupp >"$OUT/build.log" 2>&1 ||
    { tail -n 30 "$OUT/build.log"; exit 1; }
LIB="$ROOT/build/release/liblgcore.a"
for tool in ops_bench threads_bench; do
    if [ ! -x "$OUT/$tool" ] || newer "$LIB" "$OUT/$tool" || newer bench/$tool.cpp "$OUT/$tool"; then
        echo "[bench] building $tool"
        # shellcheck disable=SC2046
        g++ -O2 -std=c++17 -Wall -Wextra -Isrc bench/$tool.cpp "$LIB" "$ROOT/build/release/liblg_transupp.a" \
            $(pkg-config --libs libtiff-4 libpng libwebpdemux libdeflate 2>/dev/null || echo -ltiff -lpng -lwebpdemux -lwebp -ldeflate) \
            -ljpeg -lz -lpthread -o "$OUT/$tool"
    fi
done
OPSBENCH="$OUT/ops_bench"

# A 1000x750 picture to enlarge and a 6-megapixel one to filter, both scaled
# from the photo; 3 x 3 masks for libvips.
SMALL="$OUT/photo-1000x750.bmp"
SIX="$OUT/photo-3000x2000.bmp"
for pic in "$SMALL:1000x750" "$SIX:3000x2000"; do
    f=${pic%%:*}
    if [ ! -s "$f" ] || newer "$PHOTO" "$f"; then
        "$IM" "$PHOTO" -resize "${pic##*:}!" -type TrueColor BMP3:"$f"
        "$IM" "$f" "${f%.bmp}.ppm"
    fi
done
BOX="$OUT/box3.mat"
printf '3 3 9 0\n1 1 1\n1 1 1\n1 1 1\n' >"$BOX"
SHARP="$OUT/sharp3.mat"
printf '3 3 9 0\n-1 -1 -1\n-1 17 -1\n-1 -1 -1\n' >"$SHARP"
SHARPK=-1,-1,-1,-1,17,-1,-1,-1,-1

ROWS="$OUT/ops-rows.txt"
: >"$ROWS"
# op SECTION TITLE BMP LUMAGROVE-ARGS IM-ARGS GM-ARGS VIPS-COMMAND [VIPS-ARGS...]
op() {
    sec=$1 title=$2 src=$3 lgargs=$4 imargs=$5 gmargs=$6
    shift 6
    echo "[bench] $title"
    # shellcheck disable=SC2086
    echo "$sec|$title|lumagrove|$(best_run "$OPSBENCH" "$src" "$OUT/lg-op.bmp" $lgargs)|0.8" >>"$ROWS"
    # The operation alone, from ops_bench's own account of its last run.
    echo "[bench]   lumagrove: $(cat "$OUT/last.err")"
    # shellcheck disable=SC2086
    echo "$sec|$title|ImageMagick $imargs|$(best_run "$IM" "$src" $imargs "BMP3:$OUT/im-op.bmp")|0.8" >>"$ROWS"
    if has gm; then
        # shellcheck disable=SC2086
        echo "$sec|$title|gm $gmargs|$(best_run gm convert "$src" $gmargs "BMP3:$OUT/gm-op.bmp")|0.8" >>"$ROWS"
    fi
    if has vips; then
        cmd=$1
        shift
        echo "$sec|$title|vips $cmd $(echo "$*" | sed "s|$OUT/||g")|$(best_run vips "$cmd" "${src%.bmp}.ppm" "$OUT/vips-op.ppm" "$@")|0.8" >>"$ROWS"
    fi
}
[ -s "${PHOTO%.bmp}.ppm" ] || ln -sf "$PPM" "${PHOTO%.bmp}.ppm"
LOAD=$(peer_threads)
op 08 "8. 6000x4000 shrunk to 25 % (area average)" "$PHOTO" "resample 25" "-scale 25%" "-scale 25%" shrink 4 4
op 09 "9. 1000x750 enlarged by 2.5 (Mitchell cubic)" "$SMALL" "resample 250 4" \
    "-filter Mitchell -resize 250%" "-filter Mitchell -resize 250%" resize 2.5 --kernel mitchell
op 10 "10. 6000x4000 turned by 90 degrees" "$PHOTO" "rotate" "-rotate 90" "-rotate 90" rot d90
op 11 "11. 3000x2000 rotated by 10 degrees" "$SIX" "finerotate 10" \
    "-interpolate bilinear -filter point -distort SRT 10" "-rotate 10" rotate 10
op 12 "12. 3000x2000 blurred, 3 x 3 box" "$SIX" "blur 3" "-statistic Mean 3x3" "-convolve 1,1,1,1,1,1,1,1,1" \
    conv "$BOX" --precision integer
op 13 "13. 3000x2000 median, 3 x 3" "$SIX" "median 3" "-statistic Median 3x3" "-median 1" rank 3 3 4
op 14 "14. 3000x2000 sharpened, 3 x 3" "$SIX" "sharpen 50" "-convolve $SHARPK" "-convolve $SHARPK" \
    conv "$SHARP" --precision integer

echo
echo "Image operations (read, operate, write); best of $RUNS runs; $LOAD"
table "$ROWS"
echo
echo "The operations alone, in memory (bench/threads_bench.cpp), best of $RUNS runs:"
"$OUT/threads_bench" "$RUNS"
rm -f "$OUT"/*-op.bmp "$OUT"/vips-op.ppm
