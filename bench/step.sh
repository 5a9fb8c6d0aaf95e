#!/bin/sh
# Space to the painted next picture under Wine (not part of make bench: it
# needs the Windows build and a virtual screen): twelve 24-megapixel JPEGs at
# a person's pace, a small PNG in a directory of 2 002 files, start-up to the
# first painted picture beside djpeg decoding the same file, and the paint
# alone. Runs on the build the end-to-end tests use (LG_E2E_BUILD: win32
# where the host runs 32-bit code, else win64); the machine's load average is
# printed beside the figures. LG_STEP_PRODUCT=win32 times the shipped 32-bit
# LUMAGR32.EXE instead (driven by the same benchmark programs; on a host that
# runs no 32-bit code it runs under qemu-i386, so its figures are far slower).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/wine-env.sh
B="build/$LG_E2E_BUILD"
OUT="$ROOT/build/bench/step"
BIG="$OUT/big"
mkdir -p "$OUT" "$BIG"
PRODUCT="build/${LG_STEP_PRODUCT:-$LG_E2E_BUILD}"
cmake --build "$B" -j "${JOBS:-2}" --target LUMAGR32 step_bench paint_bench >"$OUT/build.log" 2>&1 ||
    { tail -n 30 "$OUT/build.log"; exit 1; }
if [ "$PRODUCT" != "$B" ]; then
    cmake --build "$PRODUCT" -j "${JOBS:-2}" --target LUMAGR32 >>"$OUT/build.log" 2>&1 ||
        { tail -n 30 "$OUT/build.log"; exit 1; }
fi
# Twelve colours, each picture a gradient from its own corner colour.
i=0
for c in c02020 2020c0 20a020 c0c020 c020c0 20c0c0 804020 402080 208040 e08080 80e080 8080e0; do
    f="$BIG/b$(printf %02d $i).jpg"
    # Noise makes them cost what a photo of that size costs to decode.
    [ -s "$f" ] || convert -size 6000x4000 "gradient:#$c-#101010" -attenuate 0.3 +noise Gaussian -quality 90 "$f"
    i=$((i + 1))
done
[ -s "$OUT/small_a.png" ] || convert -size 64x48 xc:'#d03030' "$OUT/small_a.png"
[ -s "$OUT/small_b.png" ] || convert -size 64x48 xc:'#3030d0' "$OUT/small_b.png"
if [ -z "${DISPLAY:-}" ]; then
    . scripts/xvfb.sh
    xvfb_start
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
    export DISPLAY=$XVFB_DISPLAY
fi
w() { echo "Z:$1" | tr / '\\'; }
echo "benchmark programs: $B; the product timed: $PRODUCT/LUMAGR32.EXE; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# The floor: djpeg decoding the first big JPEG, best of three (native, same
# host), on the wall clock and in CPU time (user + system).
best=
cpu=
for _ in 1 2 3; do
    s=$(date +%s%N)
    c=$( { /usr/bin/time -f '%U %S' djpeg -outfile /dev/null "$BIG/b00.jpg"; } 2>&1 | awk '{ printf "%d", ($1 + $2) * 1000 }')
    t=$(( ($(date +%s%N) - s) / 1000000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    if [ -z "$cpu" ] || [ "$c" -lt "$cpu" ]; then cpu=$c; fi
done
echo "djpeg decode of a 24-megapixel JPEG: best $best ms, CPU $cpu ms"

"$WINE" "$B/tests/e2e/paint_bench.exe" "$(w "$BIG/b00.jpg")"
# (Through a file, not a pipe: a failed step must end the script.)
"$WINE" "$B/tests/e2e/step_bench.exe" "$(w "$ROOT/$PRODUCT/LUMAGR32.EXE")" "$(w "$OUT/small_a.png")" \
    "$(w "$OUT/small_b.png")" "$(w "$BIG")" >"$OUT/step.txt" || { cat "$OUT/step.txt"; exit 1; }
cat "$OUT/step.txt"
small=$(sed -n 's/^Start-up to painted, small PNG.*median \([0-9]*\) ms.*/\1/p' "$OUT/step.txt")
big=$(sed -n 's/^Start-up to painted, 24-megapixel JPEG: .*median \([0-9]*\) ms.*/\1/p' "$OUT/step.txt")
step=$(sed -n 's/^Space to painted, twelve.*1 s look.*Preload=1: .*median \([0-9]*\) ms.*/\1/p' "$OUT/step.txt")
awk -v b="$big" -v s="$small" -v d="$best" -v st="$step" 'BEGIN {
    printf "start-up to painted 24-megapixel JPEG / (djpeg decode + own start): %.2f (goal 1.2 or less)\n", b / (d + s)
    printf "median Space to painted 24-megapixel JPEG at a 1 s look, Preload=1 / djpeg decode: %.2f (goal: under 50 ms)\n", st / d
}'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
