#!/bin/sh
# 15. Batch conversion: 200 small JPEGs to PNG in one call, lumagrove's batch
# form (one worker per processor) beside ImageMagick's and GraphicsMagick's
# mogrify (OpenMP inside each picture) and a shell loop of `vips copy` (one
# process per file). Best of BENCH_RUNS runs (default 3); each run writes
# into an empty directory. Called by run.sh; runs alone as well
# (sh bench/batch.sh).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
OUT="$ROOT/build/bench/batch"
RUNS=${BENCH_RUNS:-3}
COUNT=200
mkdir -p "$OUT/in"
has() { command -v "$1" >/dev/null 2>&1; }
has convert || { echo "[bench] ImageMagick is needed for the batch pictures"; exit 1; }

[ -f build/release/build.ninja ] || cmake --preset release >"$OUT/build.log" 2>&1
cmake --build build/release -j "${JOBS:-2}" --target lumagrove >"$OUT/build.log" 2>&1 ||
    { tail -n 30 "$OUT/build.log"; exit 1; }
LUMAGROVE="$ROOT/build/release/lumagrove"

# 200 photo-like 640x480 JPEGs, from one plasma field shifted per file.
if [ "$(ls "$OUT/in" | wc -l)" -ne "$COUNT" ]; then
    echo "[bench] making $COUNT JPEGs"
    convert -seed 11 -size 1280x960 plasma:fractal "$OUT/field.ppm"
    i=0
    while [ $i -lt $COUNT ]; do
        convert "$OUT/field.ppm" -crop 640x480+$((i * 3))+$((i * 2)) +repage -quality 85 \
            "$OUT/in/$(printf 'img%03d' $i).jpg"
        i=$((i + 1))
    done
fi

. "$ROOT/bench/timing.sh"

# counted DIR TIMES: TIMES when DIR holds one output per input, else failed.
counted() { if [ "$(ls "$1" | wc -l)" -eq "$COUNT" ]; then echo "$2"; else echo "failed failed"; fi; }
echo "[bench] batch conversion"
LOAD=$(peer_threads)
ROWS="$OUT/rows.txt"
TITLE="15. $COUNT JPEGs (640x480) to PNG in one call"
lg=$(best_run -d "$OUT/lg" "$LUMAGROVE" "$OUT"/in/*.jpg "/batch=$OUT/lg" /type=PNG)
echo "15|$TITLE|lumagrove /batch=|$(counted "$OUT/lg" "$lg")|0.6 x mogrify" >"$ROWS"
if has mogrify; then
    im=$(best_run -d "$OUT/im" mogrify -path "$OUT/im" -format png "$OUT"/in/*.jpg)
    echo "15|$TITLE|ImageMagick mogrify|$(counted "$OUT/im" "$im")|" >>"$ROWS"
fi
if has gm; then
    # gm puts the input's own path under -output-directory: give it bare names.
    gm=$(cd "$OUT/in" && best_run -d "$OUT/gm" gm mogrify -output-directory "$OUT/gm" -format png ./*.jpg)
    echo "15|$TITLE|gm mogrify|$(counted "$OUT/gm" "$gm")|" >>"$ROWS"
fi
if has vips; then
    vl=$(best_run -d "$OUT/vips" sh -c 'for f in "$1"/*.jpg; do b=${f##*/}; vips copy "$f" "$2/${b%.jpg}.png" || exit 1; done' \
        sh "$OUT/in" "$OUT/vips")
    echo "15|$TITLE|vips copy, one call per file|$(counted "$OUT/vips" "$vl")|" >>"$ROWS"
fi

echo
echo "Batch conversion; best of $RUNS runs; $LOAD"
table "$ROWS"
awk -F'|' '$3 ~ /^lumagrove/ { split($4, t, " "); lg = t[1] } $3 ~ /mogrify/ && $3 ~ /^ImageMagick/ { split($4, t, " "); im = t[1] }
    END { if (lg != "failed" && im != "" && im != "failed") printf "lumagrove / ImageMagick mogrify: %.2f, goal <= 0.6\n", lg / im }' "$ROWS"
