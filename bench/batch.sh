#!/bin/sh
# Batch conversion: 200 small JPEGs to PNG in one call, lumagrove's batch
# form beside ImageMagick's and GraphicsMagick's mogrify. Best of
# BENCH_RUNS runs (default 3); each run writes into an empty directory.
# Called by run.sh; runs alone as well (sh bench/batch.sh).
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

# best TOOL_DIR CMD...: CMD runs in an emptied TOOL_DIR; prints the best wall
# time and the processor time (user + system) of that run, in seconds. On a
# busy machine the processor time is the steadier of the two.
best() {
    dir=$1
    shift
    best=""
    n=0
    while [ $n -lt "$RUNS" ]; do
        rm -rf "$dir" && mkdir -p "$dir"
        /usr/bin/time -f "%e %U %S" -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/last.err" || { echo "failed failed"; return; }
        t=$(awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$OUT/time.txt")
        if [ -z "$best" ] || awk -v a="${t%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then best=$t; fi
        n=$((n + 1))
    done
    [ "$(ls "$dir" | wc -l)" -eq "$COUNT" ] || { echo "failed failed"; return; }
    echo "$best"
}

echo "[bench] batch conversion"
lg=$(best "$OUT/lg" "$LUMAGROVE" "$OUT"/in/*.jpg "/batch=$OUT/lg" /type=PNG)
im="failed failed"
has mogrify && im=$(best "$OUT/im" mogrify -path "$OUT/im" -format png "$OUT"/in/*.jpg)
gm="failed failed"
# gm puts the input's own path under -output-directory: give it bare names.
has gm && gm=$(cd "$OUT/in" && best "$OUT/gm" gm mogrify -output-directory "$OUT/gm" -format png ./*.jpg)

echo
echo "13. $COUNT JPEGs (640x480) to PNG in one call; best of $RUNS runs (ratios of processor time)"
printf '%-30s %9s %9s %8s\n' tool "wall s" "cpu s" ratio
base=${lg#* }
for r in "lumagrove /batch=|$lg" "ImageMagick mogrify|$im" "gm mogrify|$gm"; do
    name=${r%|*}
    t=${r#*|}
    cpu=${t#* }
    ratio=$(awk -v t="$cpu" -v b="$base" 'BEGIN { if (t == "failed" || b == "failed" || b == 0) print "-"; else printf "%.2f", t / b }')
    printf '%-30s %9s %9s %8s\n' "$name" "${t%% *}" "$cpu" "$ratio"
done
