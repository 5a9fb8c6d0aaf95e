#!/bin/sh
# Space to the painted next picture under Wine (not part of make bench: it
# needs the Windows build and a virtual screen): a 24-megapixel JPEG, and a
# small PNG in a directory of 2 000 files.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/wine-env.sh
B="build/$LG_E2E_BUILD"
OUT="$ROOT/build/bench/step"
mkdir -p "$OUT"
cmake --build "$B" -j "${JOBS:-2}" --target LUMAGR32 step_bench >"$OUT/build.log" 2>&1 ||
    { tail -n 30 "$OUT/build.log"; exit 1; }
[ -s "$OUT/big_a.jpg" ] || convert -size 6000x4000 gradient:'#c02020-#e0e020' -quality 90 "$OUT/big_a.jpg"
[ -s "$OUT/big_b.jpg" ] || convert -size 6000x4000 gradient:'#2020c0-#20e0e0' -quality 90 "$OUT/big_b.jpg"
[ -s "$OUT/small_a.png" ] || convert -size 64x48 xc:'#d03030' "$OUT/small_a.png"
[ -s "$OUT/small_b.png" ] || convert -size 64x48 xc:'#3030d0' "$OUT/small_b.png"
if [ -z "${DISPLAY:-}" ]; then
    . scripts/xvfb.sh
    xvfb_start
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
    export DISPLAY=$XVFB_DISPLAY
fi
w() { echo "Z:$1" | tr / '\\'; }
"$WINE" "$B/tests/e2e/step_bench.exe" "$(w "$ROOT/$B/LUMAGR32.EXE")" "$(w "$OUT/small_a.png")" \
    "$(w "$OUT/small_b.png")" "$(w "$OUT/big_a.jpg")" "$(w "$OUT/big_b.jpg")"
