#!/bin/sh
# make screenshots: the main window, zoomed, the information dialog, full
# screen, the thanks dialog, the batch dialog, the Copy-Move chooser and the
# editing dialogs (resize, effect parameters, options sheet, Save as),
# saved as PNG files in build/screenshots.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/setup.sh
. scripts/wine-env.sh
scripts/build.sh native "$LG_E2E_BUILD"
OUT=build/screenshots
mkdir -p "$OUT"
build/native/lgsample "$OUT/sample.bmp"
. scripts/xvfb.sh
xvfb_start
trap 'kill $XVFB_PID 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
export DISPLAY=$XVFB_DISPLAY
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
"$WINE" "build/$LG_E2E_BUILD/tests/e2e/screenshots.exe" "$(winpath "$ROOT/build/$LG_E2E_BUILD/LUMAGR32.EXE")" \
    "$(winpath "$ROOT/$OUT/sample.bmp")" "$(winpath "$ROOT/$OUT")"
for f in main zoomed information fullscreen thanks batch copymove resize effects properties saveas other_options; do
    [ -f "$OUT/$f.bmp" ] && convert "$OUT/$f.bmp" "$OUT/$f.png" && rm -f "$OUT/$f.bmp"
done
ls "$OUT"/*.png
